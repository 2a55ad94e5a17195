#include "engine/dialect.h"

#include <functional>
#include <unordered_map>
#include <utility>

#include "engine/sql_tokens.h"
#include "pds/PendingError.h"

namespace pds::db {
namespace {

using sql::IsName;
using sql::IsSymbol;
using sql::IsWord;
using sql::Token;
using sql::TokenKind;

constexpr long kSyntaxError = 3075;
constexpr long kTextAfterEnd = 3142;

// Index of the first token at or after `i` that is not whitespace (size() if none).
size_t Skip(const std::vector<Token>& tokens, size_t i) {
  while (i < tokens.size() && tokens[i].kind == TokenKind::kSpace) ++i;
  return i;
}

// A name in the Jet dialect: a double-quoted token there is text, not a name.
bool IsJetName(const Token& t) { return t.kind == TokenKind::kWord || t.kind == TokenKind::kBracket; }

bool IsMember(const Token& t) { return IsSymbol(t, ".") || IsSymbol(t, "!"); }

bool IsComparison(const Token& t) {
  if (t.kind != TokenKind::kSymbol) return false;
  return t.text == "=" || t.text == "<>" || t.text == "<" || t.text == ">" || t.text == "<=" || t.text == ">=";
}

// Words that end a table reference, so they are never read as a table or an alias.
bool IsClauseWord(const Token& t) {
  static constexpr std::string_view kWords[] = {"WHERE", "INNER", "LEFT",  "RIGHT",  "OUTER", "FULL",   "CROSS",
                                                "JOIN",  "ON",    "ORDER", "GROUP",  "HAVING", "UNION", "SET",
                                                "IN",    "VALUES", "SELECT", "LIMIT", "AS",     "FROM",  "INTO",
                                                "WITH",  "PIVOT"};
  if (t.kind != TokenKind::kWord) return false;
  for (std::string_view w : kWords) {
    if (IsWord(t, w)) return true;
  }
  return false;
}

StatementInfo::Kind KindOf(const std::vector<Token>& tokens) {
  using Kind = StatementInfo::Kind;
  size_t i = Skip(tokens, 0);
  while (i < tokens.size() && IsSymbol(tokens[i], "(")) i = Skip(tokens, i + 1);
  if (i == tokens.size()) return Kind::kOther;
  static constexpr std::pair<std::string_view, Kind> kKinds[] = {
      {"SELECT", Kind::kSelect}, {"INSERT", Kind::kInsert}, {"UPDATE", Kind::kUpdate}, {"DELETE", Kind::kDelete},
      {"CREATE", Kind::kCreate}, {"DROP", Kind::kDrop},     {"ALTER", Kind::kAlter}};
  for (const auto& [word, kind] : kKinds) {
    if (IsWord(tokens[i], word)) return kind;
  }
  return Kind::kOther;
}

[[noreturn]] void RaiseUnterminated(const Token& t) {
  const std::string text(t.text);
  switch (t.text.front()) {
    case '[':
      Raise(kSyntaxError, "Invalid bracketing of name '" + text + "'.");
    case '#':
      Raise(kSyntaxError, "Syntax error in date in query expression '" + text + "'.");
    default:
      Raise(kSyntaxError, "Syntax error in string in query expression '" + text + "'.");
  }
}

// The content of an apostrophe literal with the value of a string token: as
// written for 'text'; for "text", the doubled double quotes made single and
// every apostrophe doubled.
std::string ApostropheBody(const Token& t) {
  const std::string_view inner = t.text.substr(1, t.text.size() - 2);
  if (t.kind == TokenKind::kString) return std::string(inner);
  std::string body;
  body.reserve(inner.size() + 2);
  for (size_t i = 0; i < inner.size(); ++i) {
    const char c = inner[i];
    if (c == '"') ++i;  // the second of a doubled pair
    if (c == '\'') body += '\'';
    body += c;
  }
  return body;
}

// Rewrites the body of a Jet LIKE pattern for SQLite's LIKE. Sets `escaped` when
// a character SQLite would read as a wildcard had to be escaped with a backslash.
std::string LikePattern(std::string_view body, bool& escaped) {
  std::string pattern;
  pattern.reserve(body.size() + 4);
  escaped = false;
  auto literal = [&](char c) {
    if (c == '%' || c == '_' || c == '\\') {
      pattern += '\\';
      escaped = true;
    }
    pattern += c;
  };
  for (size_t i = 0; i < body.size(); ++i) {
    const char c = body[i];
    if (c == '*') {
      pattern += '%';
    } else if (c == '?' || c == '#') {
      pattern += '_';
    } else if (c == '[') {
      const size_t close = body.find(']', i + 1);
      if (close == std::string_view::npos) {
        literal(c);
        continue;
      }
      const std::string_view list = body.substr(i + 1, close - i - 1);
      if (list == "''") {
        pattern += "''";
      } else if (list.size() == 1 && list[0] != '!') {
        literal(list[0]);  // [*] [?] [#] [[] name the character itself
      } else if (!list.empty()) {
        pattern += '_';
      }
      i = close;
    } else {
      literal(c);
    }
  }
  return pattern;
}

// One translation: reads the tokens once, left to right, writing SQLite's text.
class Translator {
 public:
  explicit Translator(std::string_view statement) : statement_(statement) {}

  std::string Run() {
    sql::Tokenize(statement_, tokens_);
    if (!tokens_.empty() && tokens_.back().kind == TokenKind::kUnterminated) RaiseUnterminated(tokens_.back());
    out_.reserve(statement_.size() + 16);
    first_ = Skip(tokens_, 0);
    update_ = KindOf(tokens_) == StatementInfo::Kind::kUpdate;
    size_t i = 0;
    while (i < tokens_.size()) {
      const Token& t = tokens_[i];
      if (t.kind == TokenKind::kSpace) {
        Emit(t.text);
        ++i;
        continue;
      }
      const size_t written = out_.size();
      const size_t next = TranslateAt(i);
      if (out_.size() != written) last_significant_end_ = out_.size();
      for (size_t k = next; k-- > i;) {
        if (tokens_[k].kind != TokenKind::kSpace) {
          previous_ = &tokens_[k];
          break;
        }
      }
      i = next;
    }
    // Unbalanced parentheses leave limits behind; SQLite will refuse the text anyway.
    while (!limits_.empty()) {
      InsertLimit(limits_.back().count);
      limits_.pop_back();
    }
    return std::move(out_);
  }

 private:
  struct PendingLimit {
    int depth;
    std::string_view count;
  };

  // Translates the significant token at `i` (and any it absorbs); returns the
  // index of the next token to read.
  size_t TranslateAt(size_t i) {
    const Token& t = tokens_[i];
    const bool like_operand = std::exchange(like_operand_, false);
    const bool after_select = std::exchange(after_select_, false);
    const bool set_target = std::exchange(expect_set_target_, false);
    if (set_target && IsJetName(t)) return TranslateSetTarget(i);
    if (after_select && IsWord(t, "TOP")) return TranslateTop(i);
    switch (t.kind) {
      case TokenKind::kString:
      case TokenKind::kQuoted:
        if (like_operand) {
          EmitLikePattern(t);
        } else if (t.kind == TokenKind::kString) {
          Emit(t.text);  // already SQLite's form: never touched
        } else {
          Emit("'" + ApostropheBody(t) + "'");
        }
        return i + 1;
      case TokenKind::kBracket:
        EmitName(t);
        return i + 1;
      case TokenKind::kDate:
        EmitDate(t);
        return i + 1;
      case TokenKind::kWord:
        return TranslateWord(i, after_select);
      case TokenKind::kSymbol:
        return TranslateSymbol(i);
      default:
        Emit(t.text);
        return i + 1;
    }
  }

  size_t TranslateWord(size_t i, bool after_select) {
    const Token& t = tokens_[i];
    const bool yes = IsWord(t, "YES"), no = IsWord(t, "NO");
    const bool is_true = IsWord(t, "TRUE") || (yes && AfterComparison());
    const bool is_false = IsWord(t, "FALSE") || (no && AfterComparison());
    if ((is_true || is_false) && IsValuePosition(i)) {
      Emit(is_true ? "-1" : "0");
    } else if (IsWord(t, "LIKE")) {
      Emit("LIKE");
      like_operand_ = true;
    } else if (IsWord(t, "SELECT") || (after_select && (IsWord(t, "DISTINCT") || IsWord(t, "ALL")))) {
      Emit(t.text);
      after_select_ = true;
    } else if (IsWord(t, "SET") && update_ && depth_ == 0 && !set_seen_) {
      Emit(t.text);
      set_seen_ = in_set_list_ = expect_set_target_ = true;
    } else if (IsWord(t, "WHERE") && depth_ == 0) {
      Emit(t.text);
      in_set_list_ = false;
    } else if (IsWord(t, "DELETE") && i == first_) {
      return TranslateDelete(i);
    } else {
      Emit(t.text);
    }
    return i + 1;
  }

  size_t TranslateSymbol(size_t i) {
    const Token& t = tokens_[i];
    switch (t.text.size() == 1 ? t.text[0] : '\0') {
      case '&':
        Emit("||");
        break;
      case '!': {
        const size_t next = Skip(tokens_, i + 1);
        const bool member = previous_ != nullptr && IsJetName(*previous_) && next < tokens_.size() &&
                            IsJetName(tokens_[next]);
        Emit(member ? "." : "!");
        break;
      }
      case '(':
        ++depth_;
        Emit(t.text);
        break;
      case ')':
        if (!limits_.empty() && limits_.back().depth == depth_) {
          InsertLimit(limits_.back().count);
          limits_.pop_back();
        }
        if (depth_ > 0) --depth_;
        Emit(t.text);
        break;
      case ',':
        if (in_set_list_ && depth_ == 0) expect_set_target_ = true;
        Emit(t.text);
        break;
      case ';':
        // Dropped: SQLite would read anything after it as a second statement.
        if (Skip(tokens_, i + 1) != tokens_.size()) Raise(kTextAfterEnd, "Characters found after end of SQL statement.");
        break;
      default:
        Emit(t.text);
    }
    return i + 1;
  }

  // SQLite takes only a bare column as a SET target: `t!f`, `t.f`, `[t].[f]` -> f.
  size_t TranslateSetTarget(size_t i) {
    size_t last = i;
    for (;;) {
      const size_t member = Skip(tokens_, last + 1);
      if (member == tokens_.size() || !IsMember(tokens_[member])) break;
      const size_t name = Skip(tokens_, member + 1);
      if (name == tokens_.size() || !IsJetName(tokens_[name])) break;
      last = name;
    }
    EmitName(tokens_[last]);
    return last + 1;
  }

  // TOP n moves to the end of its SELECT as LIMIT n; the blanks before TOP stay.
  size_t TranslateTop(size_t i) {
    const size_t count = Skip(tokens_, i + 1);
    const bool whole = count < tokens_.size() && tokens_[count].kind == TokenKind::kNumber &&
                       tokens_[count].text.find_first_not_of("0123456789") == std::string_view::npos;
    const std::string clause(statement_.substr(tokens_[i].text.data() - statement_.data()).substr(0, 40));
    if (!whole) Raise(kSyntaxError, "Syntax error (missing operator) in query expression '" + clause + "'.");
    const size_t after = count + 1;
    const size_t following = Skip(tokens_, after);
    if (following < tokens_.size() && IsWord(tokens_[following], "PERCENT")) {
      Raise(kSyntaxError, "TOP with PERCENT is not supported in query expression '" + clause + "'.");
    }
    limits_.push_back({depth_, tokens_[count].text});
    return after < tokens_.size() && tokens_[after].kind == TokenKind::kSpace ? after + 1 : after;
  }

  // DELETE * FROM t and DELETE t.* FROM t name no columns in SQLite: DELETE FROM t.
  size_t TranslateDelete(size_t i) {
    size_t star = Skip(tokens_, i + 1);
    if (star < tokens_.size() && IsJetName(tokens_[star]) && !IsWord(tokens_[star], "FROM")) {
      const size_t member = Skip(tokens_, star + 1);
      star = member < tokens_.size() && IsMember(tokens_[member]) ? Skip(tokens_, member + 1) : tokens_.size();
    }
    Emit(tokens_[i].text);
    if (star < tokens_.size() && IsSymbol(tokens_[star], "*")) {
      const size_t from = Skip(tokens_, star + 1);
      if (from < tokens_.size() && IsWord(tokens_[from], "FROM")) {
        Emit(" ");
        return from;
      }
    }
    return i + 1;
  }

  // True and False (and Yes and No) are values unless they name a column or an
  // alias: t.True, True.x, AS True.
  bool IsValuePosition(size_t i) const {
    if (previous_ != nullptr && (IsMember(*previous_) || IsWord(*previous_, "AS"))) return false;
    const size_t next = Skip(tokens_, i + 1);
    return next == tokens_.size() || !IsMember(tokens_[next]);
  }

  bool AfterComparison() const { return previous_ != nullptr && IsComparison(*previous_); }

  void EmitName(const Token& t) {
    if (t.kind != TokenKind::kBracket) {
      Emit(t.text);
      return;
    }
    std::string quoted = "\"";
    for (char c : t.text.substr(1, t.text.size() - 2)) {
      if (c == '"') quoted += '"';
      quoted += c;
    }
    quoted += '"';
    Emit(quoted);
  }

  void EmitDate(const Token& t) {
    std::string date;
    if (!sql::ParseDateLiteral(t.text.substr(1, t.text.size() - 2), date)) {
      Raise(kSyntaxError, "Syntax error in date in query expression '" + std::string(t.text) + "'.");
    }
    Emit("'" + date + "'");
  }

  void EmitLikePattern(const Token& t) {
    bool escaped = false;
    Emit("'" + LikePattern(ApostropheBody(t), escaped) + "'");
    if (escaped) Emit(" ESCAPE '\\'");
  }

  void Emit(std::string_view text) {
    // Jet has no comments: two minus signs are two operators, and must not meet
    // in SQLite's text where they would open one (nor / and *).
    if (!out_.empty() && !text.empty()) {
      const char a = out_.back(), b = text.front();
      if ((a == '-' && b == '-') || (a == '/' && b == '*')) out_ += ' ';
    }
    out_ += text;
  }

  void InsertLimit(std::string_view count) {
    const std::string clause = " LIMIT " + std::string(count);
    out_.insert(last_significant_end_, clause);
    last_significant_end_ += clause.size();
  }

  std::string_view statement_;
  std::vector<Token> tokens_;
  std::string out_;
  size_t first_ = 0;                  // index of the statement's first word
  size_t last_significant_end_ = 0;   // where in out_ the last non-blank text ends
  const Token* previous_ = nullptr;   // the last non-blank token read
  int depth_ = 0;                     // parentheses open
  bool update_ = false;
  bool set_seen_ = false;
  bool in_set_list_ = false;          // between SET and WHERE of an UPDATE
  bool expect_set_target_ = false;
  bool after_select_ = false;         // TOP may follow
  bool like_operand_ = false;         // the next token is LIKE's pattern
  std::vector<PendingLimit> limits_;  // innermost last
};

struct TextHash {
  using is_transparent = void;
  size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>{}(s); }
};

// Translations by exact statement text. Two generations: when the young one is
// full it becomes the old one and the previous old one is forgotten; a hit in
// the old generation moves back to the young one. That keeps what is in use at
// the cost of two lookups on a miss, and bounds both count and bytes.
class TranslationCache {
 public:
  const std::string* Find(std::string_view statement) {
    if (auto it = young_.find(statement); it != young_.end()) return &it->second;
    auto it = old_.find(statement);
    if (it == old_.end()) return nullptr;
    auto node = old_.extract(it);
    MakeRoom(node.key().size() + node.mapped().size());
    return &young_.insert(std::move(node)).position->second;
  }

  void Add(std::string_view statement, const std::string& translation) {
    const size_t bytes = statement.size() + translation.size();
    if (bytes > kMaxBytes / 8) return;  // a one-off giant (a long UPDATE) would evict everything
    MakeRoom(bytes);
    young_.emplace(std::string(statement), translation);
  }

  void Clear() {
    young_.clear();
    old_.clear();
    young_bytes_ = 0;
  }

 private:
  static constexpr size_t kMaxEntries = 512;     // per generation
  static constexpr size_t kMaxBytes = 1 << 20;   // per generation

  void MakeRoom(size_t bytes) {
    if (young_.size() >= kMaxEntries || young_bytes_ + bytes > kMaxBytes) {
      old_ = std::move(young_);
      young_.clear();
      young_bytes_ = 0;
    }
    young_bytes_ += bytes;
  }

  using Map = std::unordered_map<std::string, std::string, TextHash, std::equal_to<>>;
  Map young_;
  Map old_;
  size_t young_bytes_ = 0;
};

TranslationCache& Cache() {
  thread_local TranslationCache cache;
  return cache;
}

}  // namespace

std::string TranslateSqlUncached(std::string_view statement) { return Translator(statement).Run(); }

std::string TranslateSql(std::string_view statement) {
  TranslationCache& cache = Cache();
  if (const std::string* hit = cache.Find(statement)) return *hit;
  std::string translated = TranslateSqlUncached(statement);
  cache.Add(statement, translated);
  return translated;
}

void ClearTranslationCache() { Cache().Clear(); }

StatementInfo AnalyzeStatement(std::string_view statement) {
  StatementInfo info;
  std::vector<Token> tokens;
  sql::Tokenize(statement, tokens);
  if (!tokens.empty() && tokens.back().kind == TokenKind::kUnterminated) tokens.pop_back();
  info.kind = KindOf(tokens);
  using Kind = StatementInfo::Kind;
  const bool definition = info.kind == Kind::kCreate || info.kind == Kind::kDrop || info.kind == Kind::kAlter;

  // What the previous tokens lead us to expect next.
  enum class Expect { kNothing, kTable, kAfterTable, kAlias, kAfterAlias } expect = Expect::kNothing;
  bool from_list = false;  // a comma continues the list of tables
  for (const Token& t : tokens) {
    if (t.kind == TokenKind::kSpace) continue;
    switch (expect) {
      case Expect::kTable:
        if (IsSymbol(t, "(")) continue;  // a nested join, or a sub-select (SELECT ends it)
        expect = Expect::kNothing;
        if (IsName(t) && !IsClauseWord(t)) {
          info.tables.push_back(sql::NameOf(t));
          expect = Expect::kAfterTable;
          continue;
        }
        break;
      case Expect::kAfterTable:
      case Expect::kAfterAlias:
        if (IsSymbol(t, ",") && from_list) {
          expect = Expect::kTable;
          continue;
        }
        if (expect == Expect::kAfterTable && IsWord(t, "AS")) {
          expect = Expect::kAlias;
          continue;
        }
        if (expect == Expect::kAfterTable && IsName(t) && !IsClauseWord(t)) {
          expect = Expect::kAfterAlias;
          continue;
        }
        expect = Expect::kNothing;
        break;
      case Expect::kAlias:
        expect = Expect::kAfterAlias;
        continue;
      case Expect::kNothing:
        break;
    }
    const bool from = IsWord(t, "FROM");
    if (from || IsWord(t, "JOIN") || IsWord(t, "UPDATE") || IsWord(t, "INTO") || (definition && IsWord(t, "TABLE"))) {
      expect = Expect::kTable;
      from_list = from;
    }
  }
  return info;
}

}  // namespace pds::db
