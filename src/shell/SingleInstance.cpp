#include "SingleInstance.h"

#include <fcntl.h>
#include <glib-unix.h>
#include <glib.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <system_error>

#include "Application.h"
#include "StderrReport.h"

namespace {

using namespace std::chrono_literals;
using TClock = std::chrono::steady_clock;

// "raise ID" asks for the window; "open ID PAGE" for the window showing PAGE. The id never holds
// a blank, and a start without a page still sends what earlier versions understand.
constexpr std::string_view RaiseRequest = "raise ";
constexpr std::string_view OpenRequest = "open ";
constexpr std::string_view RequestAnswer = "ok\n";
// Room for a start-up id and a page address of the bounded size a start accepts.
constexpr size_t MaxRequestSize = 8192;

// Closes the descriptor when the scope ends, however it ends.
struct TFd {
  int fd;
  explicit TFd(int value) : fd(value) {}
  ~TFd() {
    if (fd >= 0) ::close(fd);
  }
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;
};

// Names the data folder the same however it was spelled (links, "..", trailing slash).
std::string FolderKey(const std::string& dataFolder) {
  std::error_code error;
  std::filesystem::path folder = std::filesystem::weakly_canonical(dataFolder, error);
  if (error) folder = dataFolder;
  folder = folder.lexically_normal();
  if (!folder.has_filename() && folder != folder.root_path()) folder = folder.parent_path();
  g_autofree gchar* digest = g_compute_checksum_for_string(G_CHECKSUM_SHA256, folder.c_str(), -1);
  return std::string(digest, 16);
}

bool SocketAddress(const std::string& path, sockaddr_un& address) {
  address = {};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof(address.sun_path)) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

// The id passed on is only ever printable ASCII without blanks, as start-up ids are.
std::string PrintableStartupId(const std::string& startupId) {
  std::string id;
  for (const char c : startupId)
    if (c > ' ' && c < 127) id += c;
  return id.substr(0, 200);
}

std::string RequestLine(const TSingleInstance::TRequest& request) {
  const std::string id = PrintableStartupId(request.StartupId);
  if (request.Page.empty()) return std::string(RaiseRequest) + id + "\n";
  return std::string(OpenRequest) + id + " " + request.Page + "\n";
}

std::optional<TSingleInstance::TRequest> ParseRequest(std::string_view line) {
  if (line.starts_with(RaiseRequest))
    return TSingleInstance::TRequest{
        PrintableStartupId(std::string(line.substr(RaiseRequest.size()))), ""};
  if (!line.starts_with(OpenRequest)) return std::nullopt;
  line.remove_prefix(OpenRequest.size());
  const size_t blank = line.find(' ');
  if (blank == std::string_view::npos || blank + 1 == line.size()) return std::nullopt;
  return TSingleInstance::TRequest{PrintableStartupId(std::string(line.substr(0, blank))),
                                   std::string(line.substr(blank + 1))};
}

bool WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = ::send(fd, text.data(), text.size(), MSG_NOSIGNAL);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    text.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

// One line from fd without its line end; nullopt when none came before the deadline.
std::optional<std::string> ReadLine(int fd, TClock::time_point deadline) {
  std::string line;
  while (line.size() < MaxRequestSize) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - TClock::now());
    pollfd ready{fd, POLLIN, 0};
    const int polled = ::poll(&ready, 1, static_cast<int>(std::max(left.count(), 0L)));
    if (polled < 0 && errno == EINTR) continue;
    if (polled <= 0) return std::nullopt;
    char chunk[128];
    const ssize_t got = ::recv(fd, chunk, sizeof chunk, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return std::nullopt;
    line.append(chunk, static_cast<size_t>(got));
    if (const size_t end = line.find('\n'); end != std::string::npos) return line.substr(0, end);
  }
  return std::nullopt;
}

bool FromSameUser(int fd) {
  ucred peer{};
  socklen_t size = sizeof peer;
  return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == ::getuid();
}

void Warn(const char* what, const std::string& path, int error) {
  ReportOnStderr("%s %s (%s); a second start will open a second window", what, path.c_str(),
                 g_strerror(error));
}

}  // namespace

struct TSingleInstance::TSignals {
  static gboolean OnRequest(gint, GIOCondition, gpointer data) {
    CallGuarded(nullptr, [data] { static_cast<TSingleInstance*>(data)->ServeRequest(); });
    return G_SOURCE_CONTINUE;
  }
};

TSingleInstance::TSingleInstance(const std::string& dataFolder, const std::string& lockFolder,
                                 const TRequest& request, std::chrono::milliseconds timeout) {
  const std::string base =
      (std::filesystem::path(lockFolder) / ("corvane-" + FolderKey(dataFolder))).string();
  FLockPath = base + ".lock";
  FSocketPath = base + ".socket";
  if (g_mkdir_with_parents(lockFolder.c_str(), 0700) != 0) {
    Warn("cannot create the folder of", FLockPath, errno);
    return;
  }
  // Never removed: a start that opened the old file would lock a file nobody else sees.
  FLockFd = ::open(FLockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (FLockFd < 0) {
    Warn("cannot open", FLockPath, errno);
    return;
  }
  const TClock::time_point deadline = TClock::now() + timeout;
  // The holder may be starting (no socket yet) or ending (socket gone, lock not yet): ask again.
  while (!TryLock()) {
    if (Ask(request, deadline)) {
      FRole = irRaisedFirst;
      return;
    }
    if (TClock::now() >= deadline) {
      FRole = irUnreachable;
      ReportOnStderr("another start runs over %s and does not answer", dataFolder.c_str());
      return;
    }
    g_usleep(50000);
  }
  if (!Listen()) Warn("cannot listen on", FSocketPath, errno);
}

TSingleInstance::~TSingleInstance() {
  // The socket goes before the lock, so the next holder never finds ours.
  StopListening();
  if (FLockFd >= 0) ::close(FLockFd);
}

bool TSingleInstance::TryLock() {
  if (::flock(FLockFd, LOCK_EX | LOCK_NB) == 0) return true;
  if (errno == EWOULDBLOCK) return false;
  Warn("cannot lock", FLockPath, errno);
  return true;
}

bool TSingleInstance::Listen() {
  sockaddr_un address;
  if (!SocketAddress(FSocketPath, address)) {
    errno = ENAMETOOLONG;
    return false;
  }
  // Whatever is there was left by a holder that ended without cleaning up: the lock is ours.
  ::unlink(FSocketPath.c_str());
  TFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (socket.fd < 0 || ::bind(socket.fd, reinterpret_cast<sockaddr*>(&address), sizeof address) ||
      ::listen(socket.fd, 8))
    return false;
  std::swap(FListenFd, socket.fd);
  return true;
}

bool TSingleInstance::Ask(const TRequest& request, TClock::time_point deadline) {
  sockaddr_un address;
  if (!SocketAddress(FSocketPath, address)) return false;
  // Non-blocking, so a holder whose queue is full cannot keep this start waiting.
  TFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (socket.fd < 0 ||
      ::connect(socket.fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      !WriteAll(socket.fd, RequestLine(request)))
    return false;
  // The holder answers once its main loop runs; until then the request waits in its queue.
  const TClock::time_point answerDeadline = std::max(deadline, TClock::now() + 200ms);
  if (ReadLine(socket.fd, answerDeadline)) return true;
  // Closed unanswered: the holder is ending, and its lock comes free.
  if (TClock::now() < answerDeadline) return false;
  ReportOnStderr(
      "the running program has not answered yet; its window comes to the front once it has "
      "started");
  return true;
}

void TSingleInstance::ListenForRequests(std::function<void(const TRequest&)> serve) {
  if (FListenFd < 0 || FSource) return;
  FServe = std::move(serve);
  FSource = g_unix_fd_add(FListenFd, G_IO_IN, TSignals::OnRequest, this);
}

void TSingleInstance::StopListening() {
  if (FSource) g_source_remove(FSource);
  FSource = 0;
  if (FListenFd < 0) return;
  ::unlink(FSocketPath.c_str());
  ::close(FListenFd);
  FListenFd = -1;
}

void TSingleInstance::ServeRequest() {
  TFd request(::accept4(FListenFd, nullptr, nullptr, SOCK_CLOEXEC));
  if (request.fd < 0 || !FromSameUser(request.fd)) return;
  // Bounded, since the main loop waits meanwhile.
  const std::optional<std::string> line = ReadLine(request.fd, TClock::now() + 500ms);
  const std::optional<TRequest> asked = line ? ParseRequest(*line) : std::nullopt;
  if (!asked) return;
  // Answered first: the request is taken even if serving it fails, so it is never asked again.
  WriteAll(request.fd, RequestAnswer);
  FServe(*asked);
}
