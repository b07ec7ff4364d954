#include "server/upload_store.h"

#include "server/secrets.h"

// Counts an upload among those being stored with its file for as long as it is.
class UploadStore::Storing {
public:
    Storing(UploadStore& uploads, const std::string& sha256) : m_uploads(uploads), m_sha256(sha256) {
        std::lock_guard lock(m_uploads.m_mutex);
        ++m_uploads.m_storing[m_sha256];
    }
    ~Storing() {
        std::lock_guard lock(m_uploads.m_mutex);
        if (--m_uploads.m_storing[m_sha256] == 0) m_uploads.m_storing.erase(m_sha256);
    }
    Storing(const Storing&) = delete;
    Storing& operator=(const Storing&) = delete;

    // Takes the file away when no other upload holds it. Under the count's lock, so that an
    // upload of the same bytes starting now writes its file after this.
    void removeFileUnlessHeld(const std::filesystem::path& path) {
        std::lock_guard lock(m_uploads.m_mutex);
        if (m_uploads.m_storing[m_sha256] > 1) return;
        try {
            if (m_uploads.m_store.holdsFile(m_sha256)) return;
        } catch (const std::exception&) {
            return;  // unsure: a file without a row is the lesser harm
        }
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }

private:
    UploadStore& m_uploads;
    const std::string& m_sha256;
};

std::optional<std::optional<std::int64_t>> UploadStore::store(std::string_view bytes, Submission& submission,
                                                              const std::string& receiptHash, bool fromOwner,
                                                              const SiteStore::InTransaction& alsoInTransaction,
                                                              std::string& failure) {
    const std::string sha256 = Sha256Hex(bytes);
    Storing storing(*this, sha256);
    try {
        m_files.put(bytes, sha256);
        submission.sha256 = sha256;
        return m_store.addSubmission(submission, receiptHash, fromOwner, alsoInTransaction);
    } catch (const std::exception& error) {
        failure = error.what();
        storing.removeFileUnlessHeld(m_files.pathOf(sha256));
        return std::nullopt;
    }
}
