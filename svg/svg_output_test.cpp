// The built tessivar-svg writing its picture to each kind of output a user
// may name: one table of cases over real files in a temporary folder. Each
// checks the exit status, both streams, the waypoint file and the output
// afterwards (a link stays a link, a device a device), and that no
// temporary file is left. Cases the machine can't set up are skipped.
#include <gtest/gtest.h>

// POSIX outputs only (FIFOs, device nodes, sockets, sh): the Windows cases
// are svg_output_windows_test.cpp.
#ifndef _WIN32
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "svg/svg_run.h"
#include "testing/child_process.h"
#include "tools/map_generator.h"

#if defined(TESSIVAR_SVG_BINARY) && !defined(_WIN32)
namespace tessivar {
namespace {

namespace fs = std::filesystem;

struct Case {
  const char* name;
  const char* make;     // made in the folder first: see make()
  const char* input;    // input and output: names in the folder, absolute
  const char* output;   // paths, or "-"
  const char* script;   // run by sh ($0 the tool, $1 input, $2 output), where
                        // {pipe} is a pipe no one reads; "": the tool itself
  int status;           // exit status, or minus the signal that ends it
  const char* out;      // standard output and error; {out} is the output as
  const char* err;      // given, {picture} the picture
  const char* picture;  // the file that then holds the picture
  const char* old;      // the file that then still holds "old"
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

const char* const kWrote = "Wrote {out}\n";
const char* const kCant = "Couldn't write file {out}\n";
const char* const kInput =
    "Couldn't write file {out}: it is the waypoint file\n";
const char* const kDashCant = "Couldn't write file -\n";

const Case kCases[] = {
    {"NewFile", "", "map.wpt", "out.svg", "", 0, kWrote, "", "out.svg", ""},
    {"OldFile", "out.svg:old", "map.wpt", "out.svg", "", 0, kWrote, "",
     "out.svg", ""},
    {"SamePath", "", "map.wpt", "map.wpt", "", 1, kInput, "", "", ""},
    {"HardLinkToInput", "h=map.wpt", "map.wpt", "h", "", 1, kInput, "", "", ""},
    {"LinkToInput", "l>map.wpt", "map.wpt", "l", "", 1, kInput, "", "", ""},
    {"InputIsLinkToOutput", "l>map.wpt", "l", "map.wpt", "", 1, kInput, "", "",
     ""},
    {"LinkToOtherFile", "pics/ pics/real.svg:old out.svg>pics/real.svg",
     "map.wpt", "out.svg", "", 0, kWrote, "", "pics/real.svg", ""},
    {"DanglingLink", "out.svg>made.svg", "map.wpt", "out.svg", "", 0, kWrote,
     "", "made.svg", ""},
    // The reader gives up after 20 s, should it wait in vain.
    {"FifoWithReader", "out.svg|", "map.wpt", "out.svg",
     "timeout 20 cat \"$2\" >\"$2.got\" 2>/dev/null & \"$0\" \"$1\" \"$2\"; "
     "s=$?; wait; exit $s",
     0, kWrote, "", "out.svg.got", ""},
    {"CharacterDevice", "null%3", "map.wpt", "null", "", 0, kWrote, "", "", ""},
    {"FullDevice", "full%7", "map.wpt", "full", "", 1, kCant, "", "", ""},
    // The system's node, where a failure can't replace it: not as root.
    {"SystemFullDevice", "", "map.wpt", "/dev/full", "", 1, kCant, "", "", ""},
    {"Socket", "out.svg@", "map.wpt", "out.svg", "", 1, kCant, "", "", ""},
    {"FileSizeLimit", "out.svg:old", "map.wpt", "out.svg",
     "ulimit -f 1 && exec \"$0\" \"$1\" \"$2\"", 1, kCant, "", "", "out.svg"},
    {"MissingFolder", "", "map.wpt", "no/such.svg", "", 1, kCant, "", "", ""},
    {"Directory", "out.svg/", "map.wpt", "out.svg", "", 1, kCant, "", "", ""},
    {"Dash", "", "map.wpt", "-", "", 0, "{picture}", "", "", ""},
    {"DashToFullDevice", "", "map.wpt", "-", "exec \"$0\" \"$1\" - >/dev/full",
     1, "", kDashCant, "", ""},
    {"DashToClosedPipeSigpipeIgnored", "", "map.wpt", "-",
     "trap '' PIPE; exec \"$0\" \"$1\" - >&{pipe}", 1, "", kDashCant, "", ""},
    {"DashToClosedPipeSigpipeDefault", "", "map.wpt", "-",
     "exec \"$0\" \"$1\" - >&{pipe}", -SIGPIPE, "", "", "", ""},
    {"DashAppendingToInput", "", "map.wpt", "-",
     "exec \"$0\" \"$1\" - >>\"$1\"", 1, "",
     "Couldn't write file -: it is the waypoint file\n", "", ""},
    // Standard output, a pipe, named by its link in /proc.
    {"ProcSelfFd", "", "map.wpt", "/proc/self/fd/1", "", 0,
     "{picture}Wrote {out}\n", "", "", ""},
};

std::string readAll(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream all;
  all << file.rdbuf();
  return all.str();
}

std::string why(const std::string& what) {
  return what + ": " + std::strerror(errno);
}

// Makes what `spec` lists in `dir`, separated by spaces: "a/" a folder,
// "a:t" a file holding t, "a>b" a symbolic link to b, "a=b" a hard link to
// b, "a|" a FIFO, "a%m" the character device 1,m, "a@" a socket bound in
// `socketFd`. Returns why something can't be made here, or "".
std::string make(const std::string& dir, const std::string& spec,
                 int& socketFd) {
  std::istringstream items(spec);
  for (std::string item; items >> item;) {
    const size_t at = item.find_first_of(":>=|%@");
    const std::string name = dir + "/" + item.substr(0, at);
    if (at == std::string::npos) {
      fs::create_directory(name);
      continue;
    }
    const std::string rest = item.substr(at + 1);
    const char kind = item[at];
    if (kind == ':') std::ofstream(name) << rest;
    if (kind == '>') fs::create_symlink(rest, name);
    if (kind == '=') fs::create_hard_link(dir + "/" + rest, name);
    if (kind == '|' && mkfifo(name.c_str(), 0666) != 0) return why("mkfifo");
    if (kind == '%') {
      if (mknod(name.c_str(), S_IFCHR | 0666, makedev(1, std::stoi(rest))) != 0)
        return why("mknod");
      const int fd = open(name.c_str(), O_WRONLY);
      if (fd < 0) return why("open a device node here");
      close(fd);
    }
    if (kind == '@') {
      sockaddr_un address{};
      address.sun_family = AF_UNIX;
      if (name.size() >= sizeof address.sun_path) return "socket path too long";
      std::strcpy(address.sun_path, name.c_str());
      socketFd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
      if (socketFd < 0 || bind(socketFd, reinterpret_cast<sockaddr*>(&address),
                               sizeof address) != 0) {
        return why("socket");
      }
    }
  }
  return "";
}

void replaceAll(std::string& text, const std::string& key,
                const std::string& value) {
  for (size_t at; (at = text.find(key)) != std::string::npos;) {
    text.replace(at, key.size(), value);
  }
}

class SvgOutput : public ::testing::TestWithParam<Case> {};

TEST_P(SvgOutput, WritesWhereItShouldAndNowhereElse) {
  const Case& c = GetParam();
  const std::string dir = ::testing::TempDir() + "tessivar_svg_out_" + c.name;
  fs::remove_all(dir);
  fs::create_directories(dir);
  auto named = [&](const std::string& name) {
    return name == "-" || name[0] == '/' ? name : dir + "/" + name;
  };
  const std::vector<uint8_t> bytes = encodeWaypointFile(sixWaypointExample());
  const std::string map(bytes.begin(), bytes.end());
  std::ofstream(dir + "/map.wpt", std::ios::binary) << map;
  // The picture, as the run in this process writes it to a stream.
  std::ostringstream picture, ignored;
  const std::string input = named(c.input), output = named(c.output);
  const std::string mapPath = dir + "/map.wpt";
  const char* argv[] = {"tessivar-svg", mapPath.c_str(), "-"};
  ASSERT_EQ(runTessivarSvg(3, argv, picture, ignored), 0);

  int held[2] = {-1, -1};  // a socket and a pipe's end, closed after the run
  std::string cannot = make(dir, c.make, held[0]);
  std::string script = c.script;
  int ends[2];
  if (script.find("{pipe}") != std::string::npos && pipe(ends) == 0) {
    close(ends[0]);
    held[1] = ends[1];
    replaceAll(script, "{pipe}", std::to_string(ends[1]));
    if (ends[1] > 9) cannot = "sh redirects descriptors up to 9 only";
  }
  if (script.find("/dev/full") != std::string::npos && !fs::exists("/dev/full"))
    cannot = "no /dev/full";
  if (c.output[0] == '/' && !fs::exists(output)) cannot = "no " + output;
  if (output.rfind("/dev/", 0) == 0 && geteuid() == 0)
    cannot = "run as root: FullDevice makes its own device instead";
  struct stat before, after;
  const bool existed = lstat(output.c_str(), &before) == 0;
  testing::ChildResult r;
  if (cannot.empty()) {
    std::vector<std::string> args = {TESSIVAR_SVG_BINARY, input, output};
    if (!script.empty()) args.insert(args.begin(), {"/bin/sh", "-c", script});
    const auto saved = std::signal(SIGPIPE, SIG_DFL);
    r = testing::runChild(args, 60);
    std::signal(SIGPIPE, saved);
  }
  for (int fd : held) {
    if (fd >= 0) close(fd);
  }
  if (!cannot.empty()) GTEST_SKIP() << cannot;

  ASSERT_TRUE(r.started);
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.exited ? r.status : -r.signal, c.status);
  std::string out = c.out, err = c.err;
  for (std::string* text : {&out, &err}) {
    replaceAll(*text, "{out}", output);
    replaceAll(*text, "{picture}", picture.str());
  }
  EXPECT_EQ(r.out, out);
  EXPECT_EQ(r.err, err);
  EXPECT_EQ(readAll(dir + "/map.wpt"), map);
  if (*c.picture) {  // the picture is long: a wrong one is shown by its size
    const std::string got = readAll(dir + "/" + c.picture);
    EXPECT_TRUE(got == picture.str()) << got.size();
  }
  if (*c.old) {
    EXPECT_EQ(readAll(dir + "/" + c.old), "old");
  }
  if (existed) {
    ASSERT_EQ(lstat(output.c_str(), &after), 0);
    EXPECT_EQ(after.st_mode & S_IFMT, before.st_mode & S_IFMT);
    EXPECT_EQ(after.st_rdev, before.st_rdev);
  }
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    const std::string name = e.path().filename().string();
    EXPECT_EQ(name.find(".tmp-"), std::string::npos) << name;
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, SvgOutput, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace tessivar
#endif
