// widgethost: the stand-in for the desktop's widget host.
#include "host/command/Arguments.hpp"
#include "host/live/LiveHost.hpp"
#include "host/check/SnapshotCheck.hpp"
#include "host/command/WidgetHost.hpp"
#include "host/check/WidgetNames.hpp"

#include <csignal>
#include <cstdio>
#include <string_view>
#include <vector>

int main(int argc, char** argv) {
    // A closed pipe is a failed write, reported like any other, not a silent death.
    std::signal(SIGPIPE, SIG_IGN);
    const std::vector<std::string_view> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    const auto invocation = widgethost::parseArguments(arguments);
    if (!invocation) {
        std::fprintf(stderr, "widgethost: %s\n", invocation.error().message.c_str());
        return 2;
    }
    // The desktop host owns the process's main loop until the user quits it.
    if (invocation->command == widgethost::Command::show) return widgethost::showLiveWidgets(*invocation, stderr);
    // The checker and the names alone link the two readers' own code (see host/CMakeLists.txt).
    if (invocation->command == widgethost::Command::check || invocation->command == widgethost::Command::names) {
        const int status = invocation->command == widgethost::Command::check
                               ? widgethost::check(*invocation, stdout, stderr)
                               : widgethost::names(*invocation, stdout);
        if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
            std::fputs("widgethost: cannot write to standard output\n", stderr);
            return 1;
        }
        return status;
    }
    int status = widgethost::run(*invocation, stdout, stderr);
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fputs("widgethost: cannot write to standard output\n", stderr);
        status = 1;
    }
    return status;
}
