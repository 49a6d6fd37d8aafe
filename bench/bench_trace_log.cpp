// Trace logger costs:
//  - log_entry: one entry written to the file (open, lock, overwrite the
//    closing tag, append, close) with rotation over five 1 MB files;
//  - log_filtered: a call whose severity lies outside both windows;
//  - escape: the text escaping alone, on a typical message and on one that
//    needs the CDATA wrapping and references.
// Files and the key/value store live in a temporary folder.

#include "trace_logger.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

std::string temp_folder()
{
    char pattern[] = "/tmp/bench_trace_log.XXXXXX";
    const char* dir = ::mkdtemp(pattern);
    return dir ? dir : "/tmp";
}

struct Folder
{
    std::string path = temp_folder();
    Folder() { ::setenv("XDG_CONFIG_HOME", (path + "/config").c_str(), 1); }
    ~Folder()
    {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

void log_entry(benchmark::State& state)
{
    Folder folder;
    vq::Trace_logger logger("bench");
    logger.set_file_log_level(0);
    logger.set_file_name_base((folder.path + "/logs").c_str(), "log_bench-", 0);
    logger.set_file_count(5);
    const std::string message = "_handle_modem_waveform_settings_request_response true 3 600 1";
    for (auto _ : state)
        logger.log("/src/talvane/talvane_modem_control.cpp", 123, message.c_str(), "resp_handle",
                   30, "", "");
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(log_entry);

void log_filtered(benchmark::State& state)
{
    Folder folder;
    vq::Trace_logger logger("bench");
    logger.set_file_log_level(60);
    for (auto _ : state)
        logger.log("a.cpp", 1, "dropped", "init", 30, "", "");
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(log_filtered);

void escape(benchmark::State& state)
{
    const std::string text = state.range(0) == 0
                                 ? std::string("Modem version: 2.4.1 build 0815, model KX5")
                                 : std::string("reply <ok> \xE9\xE8 line\nnext & more > less");
    for (auto _ : state)
        benchmark::DoNotOptimize(vq::Trace_logger::escape(text.c_str()));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(escape)->Arg(0)->Arg(1);

} // namespace

BENCHMARK_MAIN();
