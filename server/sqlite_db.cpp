#include "server/sqlite_db.h"

#include <sqlite3.h>

namespace {

[[noreturn]] void Fail(sqlite3* db, std::string_view what) {
    throw DatabaseError(std::string(what) + ": " + (db ? sqlite3_errmsg(db) : "out of memory"));
}

constexpr std::size_t kMostIdleStatements = 256;  // the texts built for searches are many, the others few

}  // namespace

Statement::Statement(Database& db, std::string_view sql) : m_owner(db), m_sql(sql), m_db(db.handle()) {
    m_statement = db.takeIdle(sql);
    if (m_statement) return;
    if (sqlite3_prepare_v2(m_db, sql.data(), static_cast<int>(sql.size()), &m_statement, nullptr) != SQLITE_OK)
        Fail(m_db, "cannot prepare \"" + std::string(sql.substr(0, 60)) + "\"");
}

// Reset, so that a statement kept holds no read of the database open, and its values cleared.
Statement::~Statement() {
    if (!m_statement) return;
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
    m_owner.giveBack(std::move(m_sql), m_statement);
}

Statement& Statement::bind(int index, std::int64_t value) {
    if (sqlite3_bind_int64(m_statement, index, value) != SQLITE_OK) Fail(m_db, "cannot bind");
    return *this;
}

Statement& Statement::bind(int index, std::string_view text) {
    if (sqlite3_bind_text(m_statement, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT) != SQLITE_OK)
        Fail(m_db, "cannot bind");
    return *this;
}

Statement& Statement::bindNull(int index) {
    if (sqlite3_bind_null(m_statement, index) != SQLITE_OK) Fail(m_db, "cannot bind");
    return *this;
}

bool Statement::step() {
    const int result = sqlite3_step(m_statement);
    if (result == SQLITE_ROW) return true;
    if (result == SQLITE_DONE) return false;
    Fail(m_db, "statement failed");
}

void Statement::run() {
    while (step()) {
    }
}

std::int64_t Statement::integer(int column) const { return sqlite3_column_int64(m_statement, column); }

std::string Statement::text(int column) const {
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
    return bytes ? std::string(bytes, static_cast<std::size_t>(sqlite3_column_bytes(m_statement, column))) : std::string();
}

bool Statement::isNull(int column) const { return sqlite3_column_type(m_statement, column) == SQLITE_NULL; }

Database::Database(const std::string& path) {
    if (sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                        nullptr) != SQLITE_OK) {
        const std::string message = m_db ? sqlite3_errmsg(m_db) : "out of memory";
        sqlite3_close(m_db);
        throw DatabaseError("cannot open " + path + ": " + message);
    }
    sqlite3_busy_timeout(m_db, 10000);
}

Database::~Database() {
    for (auto& [sql, statements] : m_idle)
        for (sqlite3_stmt* statement : statements) sqlite3_finalize(statement);
    sqlite3_close(m_db);
}

sqlite3_stmt* Database::takeIdle(std::string_view sql) {
    std::lock_guard lock(m_idleMutex);
    const auto found = m_idle.find(sql);
    if (found == m_idle.end() || found->second.empty()) return nullptr;
    sqlite3_stmt* statement = found->second.back();
    found->second.pop_back();
    if (found->second.empty()) m_idle.erase(found);  // the texts kept stay as few as the statements
    --m_idleCount;
    return statement;
}

void Database::giveBack(std::string sql, sqlite3_stmt* statement) {
    {
        std::lock_guard lock(m_idleMutex);
        if (m_idleCount < kMostIdleStatements) {
            m_idle[std::move(sql)].push_back(statement);
            ++m_idleCount;
            return;
        }
    }
    sqlite3_finalize(statement);
}

void Database::execute(std::string_view sql) {
    char* message = nullptr;
    if (sqlite3_exec(m_db, std::string(sql).c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string text = message ? message : "failed";
        sqlite3_free(message);
        throw DatabaseError(text);
    }
}

std::int64_t Database::lastInsertId() const { return sqlite3_last_insert_rowid(m_db); }
int Database::changes() const { return sqlite3_changes(m_db); }

Transaction::Transaction(Database& db) : m_db(db) { m_db.execute("BEGIN IMMEDIATE"); }

Transaction::~Transaction() {
    if (!m_done) {
        try {
            m_db.execute("ROLLBACK");
        } catch (...) {
        }
    }
}

void Transaction::commit() {
    m_db.execute("COMMIT");
    m_done = true;
}
