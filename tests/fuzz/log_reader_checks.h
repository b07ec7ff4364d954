#pragma once

// What the fuzz targets of the log readers hold every reading to, and the small stack they read
// on, so that a reader that recurses per nesting level overflows at once.
#include <pthread.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz/fuzz_input.h"
#include "logs/log_reader.h"
#include "logs/qso_fields.h"

namespace fuzz {

inline bool HasControlByte(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return true;
    return false;
}

// Each QSO has the fields a Cabrillo line or a finding line can carry (no control byte anywhere,
// no blank inside a call) and line numbers that never go back.
inline void CheckLog(const LogContents& log) {
    std::size_t lastLine = 0;
    for (const LogQso& qso : log.qsos) {
        for (const std::string* field : {&qso.myCall, &qso.call, &qso.mode, &qso.rstSent, &qso.rstReceived, &qso.exchSent,
                                         &qso.exchReceived, &qso.band})
            FUZZ_CHECK(!HasControlByte(*field));
        FUZZ_CHECK(!qso.call.empty() && qso.call.find(' ') == std::string::npos);
        FUZZ_CHECK(qso.myCall.find(' ') == std::string::npos);
        FUZZ_CHECK(qso.line >= 1 && qso.line >= lastLine);
        lastLine = qso.line;
        if (log.format == LogFormat::cabrillo) {
            // A call sign, or one busted in its place between the RSTs: of a call's characters.
            FUZZ_CHECK(qso.call.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789/") == std::string::npos);
            for (const std::string* field : {&qso.rstSent, &qso.rstReceived, &qso.exchSent, &qso.exchReceived})
                FUZZ_CHECK(field->find(' ') == std::string::npos);
        }
    }
    if (log.format == LogFormat::unknown) FUZZ_CHECK(log.qsos.empty() && log.problems.size() == 1);
}

// The stack of the thread the readers run on: far below a program's 1 MB (Windows) or 8 MB.
inline constexpr std::size_t kReaderStack = 128 * 1024;

// Runs `read` on a thread with a stack of kReaderStack bytes and waits for it.
template <typename Read>
void OnSmallStack(Read read) {
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, kReaderStack);
    pthread_t thread;
    const auto run = [](void* argument) -> void* {
        (*static_cast<Read*>(argument))();
        return nullptr;
    };
    if (pthread_create(&thread, &attributes, run, &read) != 0) {
        std::fprintf(stderr, "cannot start the reader's thread\n");
        std::abort();
    }
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
}

}  // namespace fuzz
