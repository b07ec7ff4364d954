#pragma once

// The plug-in's exports as a caller (the host, the simulator, the tests) binds them.
// Dates are passed as pointers to the host's 16-byte automation date.

#include "engine/ole_date.h"

namespace stats_api {

using Text = const char*;
using Date = const OleDateTime*;

using SetVersion = unsigned long(__cdecl*)(Text);
using GetNumberOfSets = int(__cdecl*)();
using GetSetName = const char*(__cdecl*)(int);
using SetupSet0 = void(__cdecl*)();
using ResetStats0 = int(__cdecl*)(Text, int, Text, Date, Date, Text, Text, Text, Text, Text, Text, Text,
                                  Text, Text, Text, int, int, int, double, double, Text, Text, Text);
using AddData0 = int(__cdecl*)(Text, Text, Date, Date, Date, Date, unsigned, unsigned, Text, Text, Text,
                               Text, Text, Text, Text, Text, Text, Text, Text, Text, Text, Text, Text, int,
                               int, int, double, double, Text, Text, Text, Text, Text);
using RemoveData0 = AddData0;
using CheckCallFunc0 = int(__cdecl*)(Text, unsigned, unsigned, Text, Text, Text, Text, Text, Text, Text,
                                     Text, Text, Text, Text, int, int, int, double, double, Text, Text,
                                     Text, Text, Text, Text, Text, char*, char*);
using GetResult0 = const char*(__cdecl*)(int*);
using GetExchgCount0 = int(__cdecl*)(Text, Text, Text);
using IsValidExchg0 = int(__cdecl*)(Text, Text, Text, Text, int, int, int);

// The fields of one QSO as the host passes them to AddData0 and RemoveData0.
struct Qso {
    const char* myCall = "";
    const char* call = "";
    OleDateTime time;
    unsigned frequencyHz = 0;
    const char* mode = "";
    const char* rstSent = "599";
    const char* rstReceived = "599";
    const char* exchSent = "";
    const char* exchReceived = "";
    const char* country = "";
    const char* extra = "";
    const char* band = "";
};

template <typename Function>
int CallWithQso(Function function, const Qso& q) {
    const char* e = "";
    return function(q.myCall, q.call, &q.time, &q.time, &q.time, &q.time, 0u, q.frequencyHz, q.mode,
                    q.rstSent, q.rstReceived, q.exchSent, q.exchReceived, e, e, e, e, e, e, e, e, e,
                    q.country, 0, 0, 0, 0.0, 0.0, e, q.extra, e, q.band, e);
}

// CheckCallFunc0 with the positions the plug-in reads; the rest are filler.
template <typename Function>
int CallCheck(Function function, Text call, Text mode, Text country, Text band, Text band2) {
    const char* e = "";
    char out1[64] = "", out2[64] = "";
    return function(call, 0u, 0u, mode, e, e, e, e, e, e, e, e, e, country, 0, 0, 0, 0.0, 0.0, e, e, e,
                    e, e, band, band2, out1, out2);
}

template <typename Function>
int CallReset(Function function, Text iniPrefix, int cabrillo, Text myCall, const OleDateTime& start,
              const OleDateTime& end, Text ownPrefix) {
    const char* e = "";
    return function(iniPrefix, cabrillo, myCall, &start, &end, e, e, e, e, e, e, e, e, e, ownPrefix, 0, 0,
                    0, 0.0, 0.0, e, e, e);
}

}  // namespace stats_api
