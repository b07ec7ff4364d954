// zelk-mail-sink PORT DIR: takes mail on 127.0.0.1:PORT (0: a free port, printed) and writes each
// one to DIR/NNN.eml until SIGINT or SIGTERM. Nothing is passed on.
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "tools/mail_sink/smtp_sink.h"

namespace {

std::atomic<bool> g_stop = false;
void Stop(int) { g_stop = true; }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: zelk-mail-sink PORT DIR\n";
        return 2;
    }
    const std::filesystem::path folder = argv[2];
    std::filesystem::create_directories(folder);
    SmtpSink sink(std::atoi(argv[1]));
    std::signal(SIGINT, Stop);
    std::signal(SIGTERM, Stop);
    std::cout << "zelk-mail-sink: listening on " << sink.url() << ", mails to " << folder.string() << std::endl;
    std::size_t written = 0;
    while (!g_stop) {
        const auto mails = sink.waitForMails(written + 1, std::chrono::seconds(1));
        for (; written < mails.size(); ++written) {
            const std::string name = std::to_string(1000 + written + 1).substr(1) + ".eml";
            std::ofstream(folder / name, std::ios::binary) << mails[written].data;
            std::cout << "zelk-mail-sink: " << name << " for " << (mails[written].recipients.empty() ? "" : mails[written].recipients[0])
                      << std::endl;
        }
    }
    return 0;
}
