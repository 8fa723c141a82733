// Helpers shared by the test programs: scratch folders and file access.
#pragma once

#include <map>
#include <string>
#include <vector>

// A fresh folder under $TMPDIR (default /tmp), removed with its content when
// the value goes out of scope.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir &) = delete;
    ScratchDir &operator=(const ScratchDir &) = delete;
    const std::string &path() const { return path_; }
    // Returns path() + "/" + name.
    std::string operator/(const std::string &name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// A mount of our own (a tmpfs, a bind ...) on `target`, taken down again
// whatever happens; ok() says whether it was made (mounting needs root).
class ScratchMount {
public:
    ScratchMount(const std::string &target, const char *source, const char *type, unsigned long flags,
                 const char *options = nullptr);
    ~ScratchMount();
    ScratchMount(const ScratchMount &) = delete;
    ScratchMount &operator=(const ScratchMount &) = delete;
    bool ok() const { return ok_; }
    // Why the mount was refused ("" when it was made).
    const std::string &why() const { return why_; }

private:
    std::string target_, why_;
    bool ok_;
};

// Returns the bytes of a file, or an empty string when it cannot be read.
std::string testReadFile(const std::string &path);
// Writes `bytes` to `path` (plainly, for setting up cases). Returns false on failure.
bool testWriteFile(const std::string &path, const std::string &bytes);
// Returns whether `path` exists.
bool testExists(const std::string &path);
// Returns every file and folder below `root`, keyed by its path after `root`
// ("/Korvan/..."), with a file's bytes, "<folder>", or "<link>" and a link's
// target (links are not followed): two trees are equal byte for byte when
// their snapshots are.
std::map<std::string, std::string> testTreeSnapshot(const std::string &root);
// Returns the names in folder `path`, sorted.
std::vector<std::string> testListDir(const std::string &path);
// Returns whether this process runs as root (mounts are possible).
bool testIsRoot();
// Runs a program with `argv` (looked up in PATH; no shell) and waits.
// Returns its exit status, or -1 when it could not be started.
int testRunProgram(const std::vector<std::string> &argv);
// As testRunProgram, storing the program's standard output in `out` and,
// unless `err` is null, its error output in `err`.
int testRunProgramOutput(const std::vector<std::string> &argv, std::string *out, std::string *err = nullptr);
// Starts `argv` (looked up in PATH; no shell) without waiting, its standard
// output thrown away and its error output written to `errPath` (empty: thrown
// away). Returns its process id, -1 when it could not be started.
int testStartProgram(const std::vector<std::string> &argv, const std::string &errPath);
// Waits up to `seconds` for process `pid` started by testStartProgram.
// Returns its exit status (128 + the signal when one ended it); -1 when it
// still runs, after killing it when `killLate`.
int testWaitProgram(int pid, double seconds, bool killLate = true);
// Returns whether a program of that name is found in PATH.
bool testHaveProgram(const std::string &name);

// Sets (or, with null, unsets) an environment variable for the life of the
// value and restores the old value afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char *name, const char *value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv &) = delete;
    ScopedEnv &operator=(const ScopedEnv &) = delete;

private:
    std::string name_, old_;
    bool had_;
};

// Fills `data` as an installed program's data folder: resource/pack.bin, a
// small valid pack, when `pack`; and language/ with copies of the string
// tables `tables` ("en", "ja") from the built folder `builtLanguage`.
// Returns false when something could not be written or copied.
bool testDataFolder(const std::string &data, bool pack, const std::vector<std::string> &tables,
                    const std::string &builtLanguage);

// Returns the wide form of UTF-8 `utf8` (the foundation's decoder).
std::wstring testWide(const std::string &utf8);
