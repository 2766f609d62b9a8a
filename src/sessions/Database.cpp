#include "sessions/Database.h"

namespace pelmor {

Transaction::~Transaction() {
    if (!open_) return;
    try {
        db_.Rollback();
    } catch (const DatabaseError&) {
        // The connection is gone or the server ended the transaction already: nothing is kept.
    }
}

void Transaction::Commit() {
    db_.Commit();
    open_ = false;
}

std::string NumberedPlaceholders(std::string_view sql) {
    std::string out;
    out.reserve(sql.size() + 16);
    int number = 0;
    char quote = 0;
    for (char c : sql) {
        if (quote) {
            if (c == quote) quote = 0;  // a doubled quote closes and reopens: same result
            out += c;
        } else if (c == '\'' || c == '"') {
            quote = c;
            out += c;
        } else if (c == '?') {
            out += '$';
            out += std::to_string(++number);
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace pelmor
