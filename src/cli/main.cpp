#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cli/TestbankCli.h"
#include "util/FileUtil.h"
#include "util/MemoryReserve.h"
#include "util/StringUtil.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {
int Finish(const std::vector<std::string>& args)
{
    InstallMemoryReserve(32 << 20);
    InstallSaveInterruptCleanup();
#ifndef _WIN32
    // With TZ unset, glibc's localtime() looks at /etc/localtime again on every call, and
    // the zip library calls it twice for each entry of a package. The same zone, named.
    setenv("TZ", ":/etc/localtime", 0);
#endif
    std::string out, err;
    int code = RunTestbankCommand(args, out, err);
    // A full disk or a closed pipe is a failure, not a success with a cut file.
    errno = 0;
    const bool written = std::fwrite(out.data(), 1, out.size(), stdout) == out.size() && std::fflush(stdout) == 0 &&
                         std::fclose(stdout) == 0;
    if (!written) {
        err += std::string("Failed to write the output: ") + (errno ? std::strerror(errno) : "write error") + "\n";
        code = 1;
    }
    std::fwrite(err.data(), 1, err.size(), stderr);
    std::fflush(stderr);
    // The document can be hundreds of megabytes of small allocations: let the system
    // reclaim it instead of freeing it piece by piece.
    std::_Exit(code);
}
} // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv)
{
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        std::wstring w(argv[i]);
        args.push_back(w2s(std::u16string(w.begin(), w.end())));
    }
    return Finish(args);
}
#else
int main(int argc, char** argv)
{
    return Finish(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
