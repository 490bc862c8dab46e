#pragma once
// A file written beside its place, as NAME.part, and renamed once complete, so that
// its name never holds half a file. Until then a signal that ends the program
// (Ctrl-C, kill, a closed terminal) removes the part, and so does the owner's end
// unless it was committed. Only SIGKILL, which no program sees, leaves one behind.

#include <string>

class PartFile {
public:
    // Throws std::runtime_error for a path too long to guard, or when more parts
    // than the few a program writes at once are open.
    explicit PartFile(std::string finalPath);
    ~PartFile();
    PartFile(const PartFile&) = delete;
    PartFile& operator=(const PartFile&) = delete;

    // Where to write: the final path with ".part" added.
    const std::string& path() const { return mPath; }
    // Renames the part to the final path; throws std::runtime_error with the reason
    // when it cannot.
    void commit();

private:
    std::string mFinalPath;
    std::string mPath;
    int mSlot;
    bool mCommitted = false;
};
