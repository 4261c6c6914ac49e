// Per-request cost of web_request and inet_request against the curl
// command-line tool, all fetching the same small page from a local server.
//
//     request_bench [count]        (default 1000)

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "net/inet_request.h"
#include "net/web_request.h"
#include "tests/support/test_http_server.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double seconds_for(int count, const std::function<bool()>& one_request) {
    const auto start = Clock::now();
    for (int i = 0; i < count; ++i) {
        if (!one_request()) {
            std::fprintf(stderr, "request %d failed\n", i);
            std::exit(1);
        }
    }
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Runs curl with these arguments, its output thrown away; true when it succeeded.
bool run_curl(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {"curl", "-s", "-f", "--noproxy", "*"});
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, "curl", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return false;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 1000;
    vokalin::testing::TestHttpServer server;
    vokalin::testing::ScriptedResponse small;
    small.body = std::string(512, 'x');
    server.on("/small", small);
    const std::string url = server.url("/small");

    // Ten rounds, each a tenth of the requests through every client in turn,
    // so that a change of load on the machine falls on all of them alike.
    vokalin::web_request(url);
    vokalin::inet_request(url);
    double web = 0, inet = 0, tool = 0;
    const int rounds = count >= 10 ? 10 : 1;
    for (int round = 0; round < rounds; ++round) {
        const int share = count / rounds + (round < count % rounds ? 1 : 0);
        web += seconds_for(share, [&] { return vokalin::web_request(url).size() == 512; });
        inet += seconds_for(share, [&] { return vokalin::inet_request(url).size() == 512; });
        tool += seconds_for(share, [&] { return run_curl({url}); });
    }
    // One curl process for all the requests, over one kept-alive connection:
    // the cost of the transfers without the cost of starting a process.
    const auto start = Clock::now();
    if (!run_curl(std::vector<std::string>(static_cast<std::size_t>(count), url))) {
        std::fprintf(stderr, "curl with %d URLs failed\n", count);
        return 1;
    }
    const double tool_batch = std::chrono::duration<double>(Clock::now() - start).count();

    const auto ms = [&](double total) { return 1000.0 * total / count; };
    std::printf("%d GETs of 512 bytes from 127.0.0.1\n", count);
    std::printf("  curl tool, a process per request  %8.3f ms per request (baseline)\n", ms(tool));
    std::printf("  curl tool, one process for all    %8.3f ms per request, ratio %.3f\n",
                ms(tool_batch), tool_batch / tool);
    std::printf("  web_request                       %8.3f ms per request, ratio %.3f\n", ms(web),
                web / tool);
    std::printf("  inet_request                      %8.3f ms per request, ratio %.3f\n", ms(inet),
                inet / tool);
    std::printf("  web_request / curl tool for all %.3f, inet_request / curl tool for all %.3f\n",
                web / tool_batch, inet / tool_batch);
    return 0;
}
