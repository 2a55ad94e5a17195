// The SQL dialect translator and its tokenizer: tokens cover the statement
// exactly, the translator either translates or refuses with the engine's
// error, and the statement reader never fails.
#include <string>
#include <string_view>
#include <vector>

#include "pds/PendingError.h"
#include "engine/dialect.h"
#include "engine/sql_tokens.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view statement(reinterpret_cast<const char*>(data), size);
  std::vector<pds::db::sql::Token> tokens;
  pds::db::sql::Tokenize(statement, tokens);
  std::size_t covered = 0;
  for (const auto& token : tokens) {
    if (token.text.data() != statement.data() + covered || token.text.empty())
      pds::fuzz::Broken("tokens do not cover the statement", statement);
    covered += token.text.size();
    if (pds::db::sql::IsName(token)) (void)pds::db::sql::NameOf(token);
    if (token.kind == pds::db::sql::TokenKind::kDate && token.text.size() >= 2) {
      std::string out;
      (void)pds::db::sql::ParseDateLiteral(token.text.substr(1, token.text.size() - 2), out);
    }
  }
  if (covered != statement.size()) pds::fuzz::Broken("tokens stop short", statement);
  try {
    (void)pds::db::TranslateSqlUncached(statement);
  } catch (const pds::RuntimeError&) {
    // A refusal with the engine's error number is the promised outcome.
  }
  (void)pds::db::AnalyzeStatement(statement);
  std::string out;
  (void)pds::db::sql::ParseDateLiteral(statement, out);
  return 0;
}
