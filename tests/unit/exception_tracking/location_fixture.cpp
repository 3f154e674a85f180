// A small library the location tests load under several names, each with different debug
// information beside it. Functions are aligned far apart, so padding follows each body.

extern "C" __attribute__((visibility("default"), noinline)) int FixtureExportedFunction(int x) {
  return x * 3 + 1;
}

extern "C" __attribute__((visibility("default"), noinline)) int FixtureSecondFunction(int x) {
  return FixtureExportedFunction(x) - 2;
}
