#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "server/log_files.h"
#include "server/site_store.h"

// Keeps an upload whole or not at all: its file flushed to disk with its folder, then the
// commit of its row, which gives the receipt. Uploads stored at the same time flush their files
// on their own threads at once and share a commit (SiteStore::addSubmission).
class UploadStore {
public:
    UploadStore(LogFiles& files, SiteStore& store) : m_files(files), m_store(store) {}

    // The id of the submission replaced, if any; nothing when the upload was not kept, with the
    // cause in `failure`: then no row was committed, and the file is gone again unless another
    // submission, stored or being stored, has the same bytes.
    std::optional<std::optional<std::int64_t>> store(std::string_view bytes, Submission& submission,
                                                     const std::string& receiptHash, bool fromOwner,
                                                     const SiteStore::InTransaction& alsoInTransaction, std::string& failure);

private:
    class Storing;

    LogFiles& m_files;
    SiteStore& m_store;
    std::mutex m_mutex;
    std::map<std::string, int> m_storing;  // uploads being stored, by their file's SHA-256
};
