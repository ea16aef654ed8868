#include "db/namesquery.h"

#include <sqlite3.h>

#include <optional>

#include "db/connection.h"
#include "db/namesform.h"
#include "db/namesrows.h"
#include "db/query.h"

namespace db {

namespace {

int LikeLimit(Connection& connection) {
    return sqlite3_limit(connection.handle(), SQLITE_LIMIT_LIKE_PATTERN_LENGTH, -1);
}

// Whether the engine's plan for the statement searches an index (reads a
// range or list of keys) rather than scanning the whole table.
bool SearchesAnIndex(Connection& connection, const std::string& statement) {
    Query plan(connection);
    plan.setText("EXPLAIN QUERY PLAN " + statement);
    try {
        plan.open();
        for (; !plan.eof(); plan.next()) {
            const std::string step = plan.field("detail");
            if (step.rfind("SEARCH", 0) == 0 || step.rfind("MULTI-INDEX OR", 0) == 0) return true;
        }
    } catch (const Interrupted&) {
        throw;
    } catch (const Error&) {
        // A statement the engine cannot plan fails again when opened, with its own message.
    }
    return false;
}

// The form TryOpenWithNames sends for the query's lines now, if any.
std::optional<NamesForm> FormToSend(Query& query) {
    Connection& connection = query.connection();
    const std::shared_ptr<const NamesIndex> index = connection.namesIndex();
    // A statement still reading may hold an older read than the index describes.
    if (!index || connection.holdsOlderRead()) return std::nullopt;
    std::optional<NamesForm> form = NamesFormOf(index, query.text(), LikeLimit(connection));
    // What the index leaves, the engine may read through an index of its own
    // (a code list, a range) in fewer rows than the names allow.
    if (form && form->restToEngine && SearchesAnIndex(connection, query.text())) return std::nullopt;
    return form;
}

} // namespace

void OpenNamesForm(Query& query, const NamesForm& form) {
    query.openAs(form.text,
                 [&form](sqlite3_stmt* statement) { detail::BindRowList(statement, 1, form.rows); });
}

bool TryOpenWithNames(Query& query) {
    query.close();
    const std::optional<NamesForm> form = FormToSend(query);
    if (!form) return false;
    try {
        OpenNamesForm(query, *form);
    } catch (const Interrupted&) {
        throw;
    } catch (const Error&) {
        // The statement as written says what is wrong with it.
        query.close();
        return false;
    }
    // The file as this read sees it must be the one the index was built from.
    if (!query.connection().namesIndexCurrent()) {
        query.close();
        return false;
    }
    return true;
}

std::string NamesEngineText(Query& query) {
    const std::optional<NamesForm> form = FormToSend(query);
    return form ? form->text : std::string();
}

} // namespace db
