#include "trace_stylesheet.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vq {

namespace {

bool fail(std::string* error, const std::string& what, int code)
{
    if (error != nullptr)
        *error = what + ": " + std::strerror(code);
    return false;
}

} // namespace

bool install_trace_stylesheet(const std::string& folder, std::string* error)
{
    const std::string path =
        folder.empty() ? std::string(trace_stylesheet_name) : folder + "/" + trace_stylesheet_name;
    struct stat st = {};
    if (::lstat(path.c_str(), &st) == 0)
        return true;

    // Written under a temporary name and then linked into place, so that a
    // reader never sees half of it and a copy that appeared meanwhile stays.
    std::string pattern = path + ".XXXXXX";
    std::vector<char> temporary(pattern.begin(), pattern.end());
    temporary.push_back('\0');
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return fail(error, path, errno);
    std::FILE* out = ::fdopen(fd, "wb");
    if (out == nullptr) {
        const int code = errno;
        ::close(fd);
        ::unlink(temporary.data());
        return fail(error, path, code);
    }
    const bool written =
        std::fwrite(trace_stylesheet_text, 1, trace_stylesheet_size, out) == trace_stylesheet_size;
    const int write_error = errno;
    ::fchmod(fd, 0644);
    if (std::fclose(out) != 0 || !written) {
        ::unlink(temporary.data());
        return fail(error, path, written ? errno : write_error);
    }
    int code = 0;
    if (::link(temporary.data(), path.c_str()) != 0 && errno != EEXIST) {
        // A file system without hard links: a plain rename, which may replace
        // an identical copy written at the same moment.
        if (::rename(temporary.data(), path.c_str()) != 0)
            code = errno;
    }
    ::unlink(temporary.data());
    return code == 0 ? true : fail(error, path, code);
}

} // namespace vq
