#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

#include "engine/bad_qso_line.h"
#include "engine/file_store.h"
#include "engine/ole_date.h"

inline constexpr const char* kBadQsoHeader = "ZELK TEST UBN file ";
// The header after a removal has rewritten the file.
inline constexpr const char* kBadQsoRewriteHeader = "ZELK TEST UBN file UBN file ";

// "BadQSO_StatsZELK_<dd_mm_yyyy>.txt" from the contest end.
std::string BadQsoFileName(const OleDateTime& contestEnd);

// The file's lines, header included, and how many of them are duplicate findings.
struct BadQsoLineCount {
    std::int64_t lines = 0;
    std::int64_t duplicateLines = 0;
};

// A removal's key with its own texts, kept while its prune waits.
struct HeldLineKey {
    unsigned freqKHz = 0;
    std::string mode, dateTime, call;

    explicit HeldLineKey(const BadQsoLineKey& key);
    BadQsoLineKey key() const { return {freqKHz, mode, dateTime, call}; }
};

// What the bad-QSO file still owes while another program holds it, and what the plug-in has put
// in it since the reset. Changes that cannot be made now (another program holds the file without
// sharing) wait here and are made, in order, by the next operation that reaches the file.
struct BadQsoBacklog {
    bool emptyingOwed = false;                              // a reset could not empty the file
    std::vector<std::variant<std::string, HeldLineKey>> steps;  // findings to append, prunes to run

    // Every finding line the plug-in wrote or owes since the reset, without its line end, with its
    // number of copies; a removal takes out those it prunes. The count falls back on this when
    // the file cannot be read. Keyed by text, so the repeats of one duplicate take one entry: it
    // grows with the distinct findings, not with the file.
    std::unordered_map<std::string, std::int64_t> written;

    bool owesWrites() const { return emptyingOwed || !steps.empty(); }
};

// The single operations on the file. A failure leaves the file as it was and is only reported.
// Without a file name (before the first reset) nothing is written and the calls succeed.
bool CreateBadQsoFile(FileStore& files, const std::string& fileName);
bool AppendBadQsoLines(FileStore& files, const std::string& fileName, std::string_view lines);
// Rewrites the file with the rewrite header and every finding line except those of the QSO. A
// missing file gets the header only; one that is there but cannot be read keeps its findings.
bool PruneBadQsoFile(FileStore& files, const std::string& fileName, const BadQsoLineKey& removed);
// Counts the file's lines; nothing when it cannot be read.
BadQsoLineCount CountBadQsoLines(FileStore& files, const std::string& fileName);

// The same operations as the contest makes them: each first pays what the backlog owes, and what
// it cannot do joins the backlog. A reset drops what was owed to the file it empties.
void CreateBadQsoFile(FileStore& files, const std::string& fileName, BadQsoBacklog& backlog);
void AppendBadQsoLines(FileStore& files, const std::string& fileName, BadQsoBacklog& backlog, std::string_view lines);
void PruneBadQsoFile(FileStore& files, const std::string& fileName, BadQsoBacklog& backlog,
                     const BadQsoLineKey& removed);
// The lines as they will stand once the backlog is paid: counted in the file when it can be read
// and owes nothing, else from what the plug-in wrote since the reset. A missing file counts 0.
BadQsoLineCount CountBadQsoLines(FileStore& files, const std::string& fileName, BadQsoBacklog& backlog);
// Pays what it can of the backlog, in order; true when nothing is owed any more.
bool WriteBadQsoBacklog(FileStore& files, const std::string& fileName, BadQsoBacklog& backlog);

// Whether a finding line reports a duplicate.
bool IsDuplicateLine(std::string_view line);
