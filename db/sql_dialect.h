// SQL text helpers of the data-access layer: the rewrite of the program's
// Transact-SQL texts for SQLite, and the small readings of a statement that
// the connections need (the table of a SELECT, the kind of a statement).
//
// All of them work on a tokenizer that knows string literals ('it''s'),
// bracketed and double-quoted names ([convert], "x"), comments and nesting,
// so nothing inside a literal, a quoted name or a comment is ever taken for
// SQL or rewritten.
#ifndef VOR_DB_SQL_DIALECT_H_
#define VOR_DB_SQL_DIALECT_H_

#include <string>
#include <string_view>

namespace vor {

// The text with the two Transact-SQL forms that SQLite lacks replaced, and
// everything else left exactly as it stands:
//  - `TOP n` (or `TOP (n)`) right after SELECT (or SELECT DISTINCT / ALL) is
//    removed and " LIMIT n" is added at the end of that same SELECT: before
//    the parenthesis that closes its nesting level, before a compound
//    operator (UNION, EXCEPT, INTERSECT) or ';' of its level, or at the end
//    of the text; trailing blanks stay after it.
//  - `CONVERT(DATETIME, '<text>', 102)` becomes the literal '<text>' with
//    its leading and trailing blanks removed (SQLite dates are ISO text).
// Other forms of TOP or CONVERT are left unchanged.
std::string RewriteForSqlite(std::string_view sql);

// The table named right after the first FROM of the outermost level of a
// SELECT, with brackets or double quotes removed ("[dbo].[T]" gives
// "dbo.T"). "" when there is no such name.
std::string SelectTableName(std::string_view sql);

}  // namespace vor

#endif  // VOR_DB_SQL_DIALECT_H_
