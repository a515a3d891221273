// The built tessivar-svg writing its picture to each kind of output a user
// may name. One table of cases over real files in a temporary folder; each
// checks the exit status, both streams, the waypoint file and the output
// afterwards (a link stays a link, a device a device), and that no
// temporary file is left. Cases the machine can't set up are skipped.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "svg/svg_run.h"
#include "testing/child_process.h"
#include "tools/map_generator.h"

#ifdef TESSIVAR_SVG_BINARY
namespace tessivar {
namespace {

namespace fs = std::filesystem;

const std::vector<uint8_t> kMapBytes = encodeWaypointFile(sixWaypointExample());
const std::string kMap(kMapBytes.begin(), kMapBytes.end());

std::string readAll(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream all;
  all << file.rdbuf();
  return all.str();
}

// What a case sets up and what its run leaves behind.
struct Scene {
  std::string dir, input, output;  // input and output as given to the tool
  std::string script;  // run by sh: $0 the tool, $1 the input, $2 the output
  std::string picture;       // the file that then holds the picture
  std::string old;           // the file that then still holds "old"
  bool fifo = false;         // `received` must be the picture
  bool ignorePipe = false;   // the run starts with SIGPIPE ignored
  int fd = -1;               // closed after the run
  std::thread reader;        // reads a FIFO into `received`
  std::atomic<bool> done{false};
  std::string received;
};

struct Case {
  const char* name;
  std::function<std::string(Scene&)> setup;  // why it can't be set up, or ""
  int status;       // exit status; minus the signal that should end it
  const char* out;  // standard output and error, with {out} the output
  const char* err;  // and {picture} the picture
};

// Names the case in test listings.
void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

std::string why(const char* what) {
  return std::string(what) + ": " + std::strerror(errno);
}

std::string oldOutput(Scene& s) {
  std::ofstream(s.output) << "old";
  s.old = s.output;
  return "";
}

std::string link(Scene& s, const std::string& target) {
  fs::create_symlink(target, s.output);
  return "";
}

std::string device(Scene& s, unsigned minor) {
  if (mknod(s.output.c_str(), S_IFCHR | 0666, makedev(1, minor)) != 0) {
    return why("can't make a device node");
  }
  const int fd = open(s.output.c_str(), O_WRONLY);
  if (fd < 0) return why("can't open a device node here");
  close(fd);
  return "";
}

// `-` into a pipe nobody reads any more.
std::string closedPipe(Scene& s, bool ignore) {
  int ends[2];
  if (pipe(ends) != 0) return why("pipe");
  close(ends[0]);
  s.fd = ends[1];
  if (s.fd > 9) return "the pipe's descriptor is beyond what sh redirects";
  s.script = "exec \"$0\" \"$1\" - >&" + std::to_string(s.fd);
  s.ignorePipe = ignore;
  return "";
}

const Case kCases[] = {
    {"NewFile", [](Scene& s) { s.picture = s.output; return ""; }, 0,
     "Wrote {out}\n", ""},
    {"OldFile",
     [](Scene& s) {
       std::ofstream(s.output) << "old";
       s.picture = s.output;
       return "";
     },
     0, "Wrote {out}\n", ""},
    {"SamePath", [](Scene& s) { s.output = s.input; return ""; }, 1,
     "Couldn't write file {out}: it is the waypoint file\n", ""},
    {"HardLinkToInput",
     [](Scene& s) { fs::create_hard_link(s.input, s.output); return ""; }, 1,
     "Couldn't write file {out}: it is the waypoint file\n", ""},
    {"LinkToInput", [](Scene& s) { return link(s, "map.wpt"); }, 1,
     "Couldn't write file {out}: it is the waypoint file\n", ""},
    {"InputIsLinkToOutput",
     [](Scene& s) {
       fs::create_symlink("map.wpt", s.dir + "/in.wpt");
       s.input = s.dir + "/in.wpt";
       s.output = s.dir + "/map.wpt";
       return "";
     },
     1, "Couldn't write file {out}: it is the waypoint file\n", ""},
    {"LinkToOtherFile",
     [](Scene& s) {
       fs::create_directory(s.dir + "/pics");
       std::ofstream(s.dir + "/pics/real.svg") << "old";
       s.picture = s.dir + "/pics/real.svg";
       return link(s, "pics/real.svg");
     },
     0, "Wrote {out}\n", ""},
    {"DanglingLink",
     [](Scene& s) { s.picture = s.dir + "/made.svg"; return link(s, "made.svg"); },
     0, "Wrote {out}\n", ""},
    {"FifoWithReader",
     [](Scene& s) {
       if (mkfifo(s.output.c_str(), 0666) != 0) return why("mkfifo");
       s.fd = open(s.output.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
       if (s.fd < 0) return why("open the FIFO");
       s.fifo = true;
       s.reader = std::thread([&s] {
         char buf[4096];
         for (bool last = false; !last;) {
           last = s.done;
           ssize_t got;
           while ((got = read(s.fd, buf, sizeof buf)) > 0) s.received.append(buf, size_t(got));
           std::this_thread::sleep_for(std::chrono::milliseconds(5));
         }
       });
       return std::string();
     },
     0, "Wrote {out}\n", ""},
    {"CharacterDevice", [](Scene& s) { return device(s, 3); }, 0,
     "Wrote {out}\n", ""},
    {"FullDevice",
     [](Scene& s) {
       const std::string made = device(s, 7);
       if (made.empty()) return made;
       unlink(s.output.c_str());
       s.output = "/dev/full";
       return access("/dev/full", W_OK) == 0 ? "" : made;
     },
     1, "Couldn't write file {out}\n", ""},
    {"Socket",
     [](Scene& s) {
       sockaddr_un address{};
       address.sun_family = AF_UNIX;
       if (s.output.size() >= sizeof address.sun_path) return std::string("path too long for a socket");
       std::strcpy(address.sun_path, s.output.c_str());
       s.fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
       if (s.fd < 0 || bind(s.fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
         return why("socket");
       }
       return std::string();
     },
     1, "Couldn't write file {out}\n", ""},
    {"Dash", [](Scene& s) { s.output = "-"; return ""; }, 0, "{picture}", ""},
    {"DashToFullDevice",
     [](Scene& s) {
       s.script = "exec \"$0\" \"$1\" - >/dev/full";
       return access("/dev/full", W_OK) == 0 ? "" : "no /dev/full";
     },
     1, "", "Couldn't write file -\n"},
    {"DashToClosedPipeSigpipeIgnored", [](Scene& s) { return closedPipe(s, true); },
     1, "", "Couldn't write file -\n"},
    {"DashToClosedPipeSigpipeDefault", [](Scene& s) { return closedPipe(s, false); },
     -SIGPIPE, "", ""},
    {"DashAppendingToInput",
     [](Scene& s) { s.script = "exec \"$0\" \"$1\" - >>\"$1\""; return ""; }, 1,
     "", "Couldn't write file -: it is the waypoint file\n"},
    {"FileSizeLimit",  // as a full disk: the old file stays
     [](Scene& s) { s.script = "ulimit -f 1 && exec \"$0\" \"$1\" \"$2\""; return oldOutput(s); },
     1, "Couldn't write file {out}\n", ""},
    {"ProcSelfFd",  // standard output (a pipe) by its name in /proc
     [](Scene& s) {
       s.output = "/proc/self/fd/1";
       return fs::exists("/proc/self/fd/1") ? "" : "no /proc/self/fd";
     },
     0, "{picture}Wrote {out}\n", ""},
    {"MissingFolder", [](Scene& s) { s.output = s.dir + "/no/such.svg"; return ""; },
     1, "Couldn't write file {out}\n", ""},
    {"Directory", [](Scene& s) { fs::create_directory(s.output); return ""; }, 1,
     "Couldn't write file {out}\n", ""},
};

std::string expand(std::string text, const Scene& s, const std::string& picture) {
  for (const auto& [key, value] : {std::pair<std::string, std::string>{"{out}", s.output},
                                   {"{picture}", picture}}) {
    for (size_t at; (at = text.find(key)) != std::string::npos;) text.replace(at, key.size(), value);
  }
  return text;
}

class SvgOutput : public ::testing::TestWithParam<Case> {};

TEST_P(SvgOutput, WritesWhereItShouldAndNowhereElse) {
  const Case& c = GetParam();
  Scene s;
  s.dir = (fs::path(::testing::TempDir()) / ("tessivar_svg_output_" + std::string(c.name))).string();
  fs::remove_all(s.dir);
  fs::create_directories(s.dir);
  s.input = s.dir + "/map.wpt";
  s.output = s.dir + "/out.svg";
  std::ofstream(s.input, std::ios::binary) << kMap;
  // The picture, as the run in this process writes it to a stream.
  std::ostringstream picture, ignored;
  const char* argv[] = {"tessivar-svg", s.input.c_str(), "-"};
  ASSERT_EQ(runTessivarSvg(3, argv, picture, ignored), 0);

  const std::string cannot = c.setup(s);
  struct stat before, after;
  const bool existed = lstat(s.output.c_str(), &before) == 0;
  testing::ChildResult r;
  if (cannot.empty()) {
    std::vector<std::string> args = {TESSIVAR_SVG_BINARY, s.input, s.output};
    if (!s.script.empty()) args.insert(args.begin(), {"/bin/sh", "-c", s.script});
    const auto saved = std::signal(SIGPIPE, s.ignorePipe ? SIG_IGN : SIG_DFL);
    r = testing::runChild(args, 60);
    std::signal(SIGPIPE, saved);
  }
  s.done = true;
  if (s.reader.joinable()) s.reader.join();
  if (s.fd >= 0) close(s.fd);
  if (!cannot.empty()) GTEST_SKIP() << cannot;

  ASSERT_TRUE(r.started);
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.exited ? r.status : -r.signal, c.status);
  EXPECT_EQ(r.out, expand(c.out, s, picture.str()));
  EXPECT_EQ(r.err, expand(c.err, s, picture.str()));
  EXPECT_EQ(readAll(s.dir + "/map.wpt"), kMap);
  // The picture is long: a mismatch is reported by its sizes.
  if (!s.picture.empty()) {
    EXPECT_TRUE(readAll(s.picture) == picture.str()) << readAll(s.picture).size();
  }
  if (!s.old.empty()) {
    EXPECT_EQ(readAll(s.old), "old");
  }
  if (s.fifo) {
    EXPECT_TRUE(s.received == picture.str()) << s.received.size();
  }
  if (existed) {
    ASSERT_EQ(lstat(s.output.c_str(), &after), 0);
    EXPECT_EQ(after.st_mode & S_IFMT, before.st_mode & S_IFMT);
    EXPECT_EQ(after.st_rdev, before.st_rdev);
  }
  for (const auto& e : fs::recursive_directory_iterator(s.dir)) {
    EXPECT_EQ(e.path().filename().string().find(".tmp-"), std::string::npos) << e.path();
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, SvgOutput, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace tessivar
#endif
