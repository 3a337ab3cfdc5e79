#include "cli/output_names.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

#include "cli/param_io.h"
#include "paramfile/param_file.h"

namespace travex::cli {
namespace {

// More files of one name in one minute than any station makes.
constexpr int kMaxSuffix = 999;

bool IsDirectory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ParentFolder(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// "name_2.ini" for "name.ini" and 2; the name itself for 1.
std::string WithSuffix(const std::string& path, int n) {
  if (n == 1) return path;
  const size_t dot = path.rfind('.');
  return path.substr(0, dot) + "_" + std::to_string(n) + path.substr(dot);
}

// Creates the first free name of the series as an empty file, so that no other writer takes
// it; the save then replaces that empty file in one step.
Outcome ClaimFreeName(const std::string& path, std::string* claimed) {
  for (int n = 1; n <= kMaxSuffix; ++n) {
    const std::string candidate = WithSuffix(path, n);
    const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      ::close(fd);
      *claimed = candidate;
      return {};
    }
    if (errno != EEXIST) return Failure(kExitFile, candidate + ": " + std::strerror(errno));
  }
  return Failure(kExitFile, path + ": every name up to _" + std::to_string(kMaxSuffix) +
                                " is taken");
}

}  // namespace

std::string ProposedName(const std::string& port_name) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  const std::string name = ProposedFileName(local.tm_year + 1900, local.tm_mon + 1,
                                            local.tm_mday, local.tm_hour, local.tm_min);
  const size_t dot = name.rfind('.');
  return name.substr(0, dot) + "_" + port_name + name.substr(dot);
}

Outcome PlanOutputs(const std::string& output, const std::vector<PortRef>& ports,
                    std::vector<OutputTarget>* targets) {
  targets->clear();
  for (const PortRef& p : ports) {
    OutputTarget target;
    if (!p.problem.ok()) {  // nothing will be read from it
      targets->push_back(target);
      continue;
    }
    if (output.empty()) {
      target = {ProposedName(p.name), true};
    } else if (IsDirectory(output)) {
      target = {output + (output.back() == '/' ? "" : "/") + ProposedName(p.name), true};
    } else if (output.find("{port}") != std::string::npos) {
      target.path = output;
      for (size_t at; (at = target.path.find("{port}")) != std::string::npos;) {
        target.path.replace(at, 6, p.name);
      }
    } else if (ports.size() > 1) {
      return Failure(kExitUsage, "-o with several ports must be a folder or a name with {port}");
    } else {
      target.path = output;
    }
    FileFormat format = FileFormat::kIni;
    if (Outcome o = FormatOfName(target.path, &format); !o.ok()) return o;
    const std::string folder = ParentFolder(target.path);
    if (!IsDirectory(folder)) {
      return Failure(kExitFile, target.path + ": the folder " + folder + " does not exist");
    }
    targets->push_back(std::move(target));
  }
  return {};
}

Outcome SaveToTarget(const OutputTarget& target, const ParamImage& image, std::string* written) {
  *written = target.path;
  if (!target.proposed) return SaveImageFile(target.path, image);
  if (Outcome o = ClaimFreeName(target.path, written); !o.ok()) return o;
  Outcome saved = SaveImageFile(*written, image);
  if (!saved.ok()) ::unlink(written->c_str());  // still the empty file claimed above
  return saved;
}

}  // namespace travex::cli
