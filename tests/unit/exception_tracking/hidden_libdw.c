/* Stands in for elfutils' libdw.so.1 without any of its routines. */
int corvane_hidden_libdw;
