#include <cstdio>
#include <cstdlib>

#include "cli/TestbankCli.h"
#include "util/StringUtil.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {
int Finish(const std::vector<std::string>& args)
{
    std::string out, err;
    const int code = RunTestbankCommand(args, out, err);
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
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
