#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;
class Database;

// What a failed SQLite call said.
struct DatabaseError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// One statement, bound by position from 1, stepped row by row. When it goes it is reset and
// given back to its database for the next statement of the same text.
class Statement {
public:
    Statement(Database& db, std::string_view sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& bind(int index, std::int64_t value);
    Statement& bind(int index, std::string_view text);
    Statement& bind(int index, const char* text) { return bind(index, std::string_view(text)); }
    Statement& bindNull(int index);
    Statement& bind(int index, const std::optional<std::int64_t>& value) {
        return value ? bind(index, *value) : bindNull(index);
    }

    // True while there is a row to read.
    bool step();
    // Steps to the end, for statements that return no rows.
    void run();

    std::int64_t integer(int column) const;
    std::string text(int column) const;
    bool isNull(int column) const;

private:
    Database& m_owner;
    std::string m_sql;
    sqlite3* m_db;
    sqlite3_stmt* m_statement = nullptr;
};

// A connection to one database file, closed when it goes.
class Database {
public:
    explicit Database(const std::string& path);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    void execute(std::string_view sql);
    Statement prepare(std::string_view sql) { return Statement(*this, sql); }
    std::int64_t lastInsertId() const;
    int changes() const;
    sqlite3* handle() const { return m_db; }

private:
    friend class Statement;
    // Statements prepared before and reset, by their text: an upload runs the same few
    // statements, and preparing one costs more than running it.
    sqlite3_stmt* takeIdle(std::string_view sql);
    void giveBack(std::string sql, sqlite3_stmt* statement);

    sqlite3* m_db = nullptr;
    std::mutex m_idleMutex;
    std::map<std::string, std::vector<sqlite3_stmt*>, std::less<>> m_idle;
    std::size_t m_idleCount = 0;
};

// A transaction that rolls back unless committed (BEGIN IMMEDIATE: writers queue at its start).
class Transaction {
public:
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

private:
    Database& m_db;
    bool m_done = false;
};
