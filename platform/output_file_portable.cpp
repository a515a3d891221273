// Output files with the standard library alone (what it does:
// output_file.h), for systems with neither POSIX nor Windows calls: std::filesystem finds what a
// path names, compares files and renames; std::ofstream writes. Unlike the
// POSIX version it can't sync the file to disk, tell beforehand whether a
// folder may be written, see what standard output is, or hold back signals.
#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/file_path.h"
#include "platform/output_file.h"

namespace tessivar {
namespace platform {
namespace portable {

namespace {

namespace fs = std::filesystem;

// As many links as Linux follows in one path.
constexpr int kMaxLinks = 40;

enum class Way { kNone, kReplace, kInPlace };

struct Destination {
  Way way = Way::kNone;
  fs::path path;  // kReplace: the name renamed over; kInPlace: opened
  bool exists = false;
  fs::file_type type = fs::file_type::not_found;
};

fs::path folderOf(const fs::path& path) {
  const fs::path folder = path.parent_path();
  return folder.empty() ? fs::path(".") : folder;
}

// What `output` names now, following symbolic links one at a time so that
// a dangling link gives the name its chain ends at.
Destination findDestination(const std::string& output) {
  Destination d;
  if (output.empty() || output.back() == '/' ||
      output.back() == char(fs::path::preferred_separator)) {
    return d;
  }
  const fs::path given = filePath(output);
  std::error_code ec;
  const fs::file_status followed = fs::status(given, ec);
  if (ec && followed.type() != fs::file_type::not_found) return d;
  if (fs::is_directory(followed)) return d;
  if (fs::exists(followed) && !fs::is_regular_file(followed)) {
    d.way = Way::kInPlace;
    d.path = given;
    d.exists = true;
    d.type = followed.type();
    return d;
  }
  fs::path name = given;
  for (int hops = 0;; ++hops) {
    const fs::file_status own = fs::symlink_status(name, ec);
    if (ec && own.type() != fs::file_type::not_found) return d;
    if (!fs::is_symlink(own)) {
      d.exists = fs::exists(own);
      d.type = own.type();
      break;
    }
    if (hops == kMaxLinks) return d;
    const fs::path target = fs::read_symlink(name, ec);
    if (ec) return d;
    name = target.is_absolute() ? target : name.parent_path() / target;
  }
  // Whatever changed since the first look is not written.
  if (d.exists != fs::exists(followed)) return d;
  if (!name.has_filename() || name.filename() == "." ||
      name.filename() == "..") {
    return d;
  }
  d.way = Way::kReplace;
  d.path = name;
  return d;
}

bool isInput(const Destination& d, const std::string& inputName) {
  const fs::path input = filePath(inputName);
  std::error_code ec;
  if (d.exists && fs::equivalent(d.path, input, ec)) return true;
  if (d.way != Way::kReplace) return false;
  const fs::path out = fs::weakly_canonical(fs::absolute(d.path, ec), ec);
  if (ec) return false;
  const fs::path in = fs::weakly_canonical(fs::absolute(input, ec), ec);
  return !ec && out == in;
}

// Runs `write` on `file`; true when it succeeded and the file closed well.
bool writeTo(std::ofstream& file, const OutputWriter& write) {
  bool ok = file.is_open() && write(file);
  file.flush();
  ok = ok && file.good();
  file.close();
  return ok && !file.fail();
}

// A name beside `path` that no file has yet.
fs::path temporaryBeside(const fs::path& path) {
  std::error_code ec;
  for (int n = 0; n < 1000; ++n) {
    fs::path name = path.parent_path() / ".";
    name += path.filename().native();
    name += ".tmp-" + std::to_string(n);
    if (!fs::exists(fs::symlink_status(name, ec))) return name;
  }
  return fs::path();
}

OutputStatus replaceFile(const Destination& d, const OutputWriter& write) {
  const fs::path temp = temporaryBeside(d.path);
  if (temp.empty()) return OutputStatus::kFailed;
  std::error_code ec;
  bool ok;
  try {
    std::ofstream file(temp, std::ios::binary | std::ios::trunc);
    ok = writeTo(file, write);
  } catch (...) {
    fs::remove(temp, ec);
    throw;
  }
  if (ok && d.exists) {
    // Keep the old file's permissions, as far as the system allows.
    const fs::perms old = fs::status(d.path, ec).permissions();
    if (!ec) fs::permissions(temp, old, ec);
  }
  if (ok) {
    fs::rename(temp, d.path, ec);
    ok = !ec;
  }
  if (!ok) fs::remove(temp, ec);
  return ok ? OutputStatus::kOk : OutputStatus::kFailed;
}

OutputStatus writeInPlace(const Destination& d, const OutputWriter& write) {
  if (d.type == fs::file_type::socket) return OutputStatus::kFailed;
  std::ofstream file(d.path, std::ios::binary | std::ios::out);
  return writeTo(file, write) ? OutputStatus::kOk : OutputStatus::kFailed;
}

}  // namespace

OutputStatus checkOutputPath(const std::string& output,
                             const std::string& input) {
  const Destination d = findDestination(output);
  if (d.way == Way::kNone) return OutputStatus::kFailed;
  if (isInput(d, input)) return OutputStatus::kSameAsInput;
  std::error_code ec;
  const bool writable = d.way == Way::kInPlace
                            ? d.type != fs::file_type::socket
                            : fs::is_directory(folderOf(d.path), ec);
  return writable ? OutputStatus::kOk : OutputStatus::kFailed;
}

OutputStatus checkStandardOutput(const std::string&) {
  return OutputStatus::kOk;  // nothing portable tells what it is
}

OutputStatus writeOutputFile(const std::string& output,
                             const std::string& input,
                             const OutputWriter& write) {
  const Destination d = findDestination(output);
  if (d.way == Way::kNone) return OutputStatus::kFailed;
  if (isInput(d, input)) return OutputStatus::kSameAsInput;
  return d.way == Way::kInPlace ? writeInPlace(d, write)
                                : replaceFile(d, write);
}

}  // namespace portable
}  // namespace platform
}  // namespace tessivar
