#include "tools/AtomicFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

namespace pixtrim {

std::string OpenTemporaryBeside(const std::string& path, int& descriptor) {
    static std::atomic<unsigned> counter{0};
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate = folder + "." + name + ".pixtrim-" + std::to_string(getpid()) +
                                      "-" + std::to_string(counter++);
        descriptor = open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor >= 0) return candidate;
        if (errno != EEXIST) break;
    }
    descriptor = -1;
    return {};
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes) {
    int descriptor = -1;
    const std::string temporary = OpenTemporaryBeside(path, descriptor);
    if (temporary.empty()) return false;
    bool written = true;
    for (size_t done = 0; written && done < bytes.size();) {
        const ssize_t count = write(descriptor, bytes.data() + done, bytes.size() - done);
        if (count < 0 && errno == EINTR) continue;
        written = count > 0;
        if (written) done += static_cast<size_t>(count);
    }
    written = close(descriptor) == 0 && written;
    written = written && std::rename(temporary.c_str(), path.c_str()) == 0;
    if (!written) unlink(temporary.c_str());
    return written;
}

}  // namespace pixtrim
