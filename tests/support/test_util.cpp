#include "support/test_util.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <cwchar>
#include <fcntl.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "foundation/str.h"

extern char **environ;

ScratchDir::ScratchDir() {
    const char *base = std::getenv("TMPDIR");
    std::string tmpl = std::string(base && *base ? base : "/tmp") + "/kvbtest.XXXXXX";
    char *made = mkdtemp(tmpl.data());
    path_ = made ? made : "";
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
}

ScratchMount::ScratchMount(const std::string &target, const char *source, const char *type, unsigned long flags,
                           const char *options)
    : target_(target), ok_(mount(source, target.c_str(), type, flags, options) == 0) {
    if (!ok_) why_ = std::strerror(errno);
}

ScratchMount::~ScratchMount() {
    // Detached, so a file a failed test left open cannot keep it mounted.
    if (ok_) umount2(target_.c_str(), MNT_DETACH);
}

std::string testReadFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool testWriteFile(const std::string &path, const std::string &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

bool testExists(const std::string &path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

std::vector<std::string> testListDir(const std::string &path) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto &e : std::filesystem::directory_iterator(path, ec)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

bool testIsRoot() { return geteuid() == 0; }

namespace {

// Starts `argv` with its standard output sent to `outPath` and, unless null,
// its error output to `errPath`. Returns its process id, -1 when it could not
// be started.
pid_t spawn(const std::vector<std::string> &argv, const char *outPath, const char *errPath) {
    std::vector<char *> args;
    for (const auto &a : argv) args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath, O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (errPath) posix_spawn_file_actions_addopen(&actions, 2, errPath, O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = -1;
    if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Runs `argv` as spawn does and waits.
int spawnWait(const std::vector<std::string> &argv, const char *outPath, const char *errPath = nullptr) {
    pid_t pid = spawn(argv, outPath, errPath);
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) < 0) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

int testRunProgram(const std::vector<std::string> &argv) { return spawnWait(argv, "/dev/null"); }

int testRunProgramOutput(const std::vector<std::string> &argv, std::string *out, std::string *err) {
    ScratchDir dir;
    std::string file = dir / "stdout", errFile = dir / "stderr";
    int r = spawnWait(argv, file.c_str(), err ? errFile.c_str() : nullptr);
    if (out) *out = testReadFile(file);
    if (err) *err = testReadFile(errFile);
    return r;
}

int testStartProgram(const std::vector<std::string> &argv, const std::string &errPath) {
    return spawn(argv, "/dev/null", errPath.empty() ? "/dev/null" : errPath.c_str());
}

int testWaitProgram(int pid, double seconds, bool killLate) {
    if (pid <= 0) return -1;
    for (int i = 0; i <= seconds * 20; i++) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        usleep(50000);
    }
    if (!killLate) return -1;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1;
}

bool testHaveProgram(const std::string &name) {
    const char *path = std::getenv("PATH");
    std::istringstream dirs(path ? path : "/usr/bin:/bin");
    for (std::string dir; std::getline(dirs, dir, ':');)
        if (access((dir + "/" + name).c_str(), X_OK) == 0) return true;
    return false;
}

ScopedEnv::ScopedEnv(const char *name, const char *value) : name_(name) {
    const char *old = std::getenv(name);
    had_ = old != nullptr;
    if (old) old_ = old;
    if (value)
        setenv(name, value, 1);
    else
        unsetenv(name);
}

ScopedEnv::~ScopedEnv() {
    if (had_)
        setenv(name_.c_str(), old_.c_str(), 1);
    else
        unsetenv(name_.c_str());
}

std::wstring testWide(const std::string &utf8) {
    std::wstring out(utf8.size() + 1, L'\0');
    utf8towchar(out.data(), out.size(), utf8.c_str());
    out.resize(std::wcslen(out.c_str()));
    return out;
}

std::map<std::string, std::string> testTreeSnapshot(const std::string &root) {
    std::map<std::string, std::string> files;
    for (const auto &e : std::filesystem::recursive_directory_iterator(root)) {
        std::string rel = e.path().string().substr(root.size());
        files[rel] = e.is_symlink()        ? "<link>" + std::filesystem::read_symlink(e.path()).string()
                     : e.is_regular_file() ? testReadFile(e.path().string())
                                           : "<folder>";
    }
    return files;
}

bool testDataFolder(const std::string &data, bool pack, const std::vector<std::string> &tables,
                    const std::string &builtLanguage) {
    if (mkdir(data.c_str(), 0755) != 0 && errno != EEXIST) return false;
    for (const char *sub : {"/resource", "/language"})
        if (mkdir((data + sub).c_str(), 0755) != 0 && errno != EEXIST) return false;
    // Header (the writer's 8 bytes, one entry, no tables), one block, its 4 bytes.
    static const char kPack[] = "KVBPACK\x01\x01\0\0\0\0\0\0\0\x18\0\0\0\x04\0\0\0DATA";
    if (pack && !testWriteFile(data + "/resource/pack.bin", std::string(kPack, sizeof kPack - 1))) return false;
    for (const std::string &code : tables) {
        std::string name = "/STRING_TABLE_" + code + ".zar";
        std::string bytes = testReadFile(builtLanguage + name);
        if (bytes.empty() || !testWriteFile(data + "/language" + name, bytes)) return false;
    }
    return true;
}
