#include "spreadsheet/SqlStatement.h"

#include <cctype>

namespace spreadsheet {
namespace {

struct Token {
    enum class Type { Word, Name, Value, Symbol, End };
    Type type = Type::End;
    std::string text;
};

class Lexer {
  public:
    explicit Lexer(std::string_view sql) : sql_(sql) {}

    bool Next(Token& token, std::string& error) {
        while (pos_ < sql_.size() && std::isspace(static_cast<unsigned char>(sql_[pos_]))) ++pos_;
        token = Token{};
        if (pos_ == sql_.size()) return true;
        const char c = sql_[pos_];
        if (c == '[') return Quoted(']', Token::Type::Name, token, error);
        if (c == '\'') return Quoted('\'', Token::Type::Value, token, error);
        if (std::isalpha(static_cast<unsigned char>(c))) {
            token.type = Token::Type::Word;
            while (pos_ < sql_.size() &&
                   (std::isalnum(static_cast<unsigned char>(sql_[pos_])) || sql_[pos_] == '_'))
                token.text.push_back(
                    static_cast<char>(std::toupper(static_cast<unsigned char>(sql_[pos_++]))));
            return true;
        }
        if (c == '(' || c == ')' || c == ',' || c == '=' || c == '*') {
            token.type = Token::Type::Symbol;
            token.text = std::string(1, c);
            ++pos_;
            return true;
        }
        error = "Syntax error in SQL statement near '" + std::string(sql_.substr(pos_, 20)) + "'.";
        return false;
    }

  private:
    // Text up to the closing character; the closing character written twice stands for itself.
    bool Quoted(char close, Token::Type type, Token& token, std::string& error) {
        ++pos_;
        token.type = type;
        while (pos_ < sql_.size()) {
            if (sql_[pos_] == close) {
                if (pos_ + 1 < sql_.size() && sql_[pos_ + 1] == close) {
                    token.text.push_back(close);
                    pos_ += 2;
                    continue;
                }
                ++pos_;
                return true;
            }
            token.text.push_back(sql_[pos_++]);
        }
        error = close == ']' ? "Unterminated name in SQL statement." : "Unterminated text in SQL statement.";
        return false;
    }

    std::string_view sql_;
    std::size_t pos_ = 0;
};

class Parser {
  public:
    Parser(std::string_view sql, std::string& error) : lexer_(sql), error_(error) {}

    std::optional<SqlStatement> Parse() {
        if (!Advance()) return std::nullopt;
        SqlStatement s;
        bool ok = false;
        if (AcceptWord("CREATE")) {
            s.kind = SqlStatement::Kind::CreateTable;
            ok = ExpectWord("TABLE") && Table(s) && Create(s);
        } else if (AcceptWord("DROP")) {
            s.kind = SqlStatement::Kind::DropTable;
            ok = ExpectWord("TABLE") && Table(s);
        } else if (AcceptWord("INSERT")) {
            s.kind = SqlStatement::Kind::Insert;
            ok = ExpectWord("INTO") && Table(s) && Insert(s);
        } else if (AcceptWord("UPDATE")) {
            s.kind = SqlStatement::Kind::Update;
            ok = Table(s) && Update(s);
        } else if (AcceptWord("SELECT")) {
            s.kind = SqlStatement::Kind::Select;
            ok = ExpectSymbol("*") && ExpectWord("FROM") && Table(s);
        } else {
            return Fail("Statement not supported by this driver.");
        }
        if (!ok) return std::nullopt;
        if (token_.type != Token::Type::End) return Fail(SyntaxNear());
        if (!CheckRange(s)) return std::nullopt;
        return s;
    }

  private:
    std::nullopt_t Fail(std::string why) {
        if (error_.empty()) error_ = std::move(why);
        return std::nullopt;
    }
    bool FailBool(std::string why) {
        Fail(std::move(why));
        return false;
    }
    std::string SyntaxNear() const {
        return token_.type == Token::Type::End ? "Syntax error: unexpected end of SQL statement."
                                               : "Syntax error in SQL statement near '" + token_.text + "'.";
    }

    bool Advance() { return lexer_.Next(token_, error_); }
    bool AcceptWord(const char* word) {
        if (token_.type != Token::Type::Word || token_.text != word) return false;
        return Advance();
    }
    bool ExpectWord(const char* word) {
        return AcceptWord(word) || (error_.empty() && FailBool(SyntaxNear()));
    }
    bool AcceptSymbol(const char* symbol) {
        if (token_.type != Token::Type::Symbol || token_.text != symbol) return false;
        return Advance();
    }
    bool ExpectSymbol(const char* symbol) {
        return AcceptSymbol(symbol) || (error_.empty() && FailBool(SyntaxNear()));
    }
    bool Take(Token::Type type, std::string& out) {
        if (token_.type != type) return FailBool(SyntaxNear());
        out = std::move(token_.text);
        return Advance();
    }

    bool Table(SqlStatement& s) {
        std::string name;
        if (!Take(Token::Type::Name, name)) return false;
        // Sheet names cannot hold ':', so a '$' followed by a ':' starts a range.
        const auto dollar = name.rfind('$');
        if (dollar != std::string::npos && name.find(':', dollar) != std::string::npos) {
            std::string range = name.substr(dollar + 1);
            for (char& c : range) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            if (range.rfind("A1:IV", 0) != 0 || range.size() == 5 || range.size() > 10)
                return FailBool("Invalid range '" + name.substr(dollar + 1) + "'.");
            int row = 0;
            for (std::size_t i = 5; i < range.size(); ++i) {
                if (!std::isdigit(static_cast<unsigned char>(range[i])))
                    return FailBool("Invalid range '" + name.substr(dollar + 1) + "'.");
                row = row * 10 + (range[i] - '0');
            }
            s.hasRange = true;
            s.rangeLastRow = row;
            name.resize(dollar);
        }
        s.sheet = std::move(name);
        return true;
    }

    bool Create(SqlStatement& s) {
        if (!ExpectSymbol("(")) return false;
        do {
            std::string field;
            if (!Take(Token::Type::Name, field)) return false;
            if (AcceptWord("DOUBLE")) {
                s.columns.emplace_back(std::move(field), true);
            } else if (AcceptWord("TEXT")) {
                s.columns.emplace_back(std::move(field), false);
            } else {
                return FailBool(error_.empty() ? SyntaxNear() : error_);
            }
        } while (AcceptSymbol(","));
        return ExpectSymbol(")");
    }

    bool Insert(SqlStatement& s) {
        if (!ExpectSymbol("(")) return false;
        do {
            std::string field;
            if (!Take(Token::Type::Name, field)) return false;
            s.fields.push_back(std::move(field));
        } while (AcceptSymbol(","));
        if (!ExpectSymbol(")") || !ExpectWord("VALUES") || !ExpectSymbol("(")) return false;
        do {
            std::string value;
            if (!Take(Token::Type::Value, value)) return false;
            s.values.push_back(std::move(value));
        } while (AcceptSymbol(","));
        return ExpectSymbol(")");
    }

    bool Pair(std::vector<std::pair<std::string, std::string>>& out) {
        std::string field, value;
        if (!Take(Token::Type::Name, field) || !ExpectSymbol("=") || !Take(Token::Type::Value, value))
            return false;
        out.emplace_back(std::move(field), std::move(value));
        return true;
    }

    bool Update(SqlStatement& s) {
        if (!ExpectWord("SET")) return false;
        do {
            if (!Pair(s.assignments)) return false;
        } while (AcceptSymbol(","));
        if (!ExpectWord("WHERE") || !ExpectSymbol("(")) return false;
        do {
            if (!Pair(s.conditions)) return false;
        } while (AcceptWord("AND"));
        return ExpectSymbol(")");
    }

    // Which statement takes which form of the sheet name.
    bool CheckRange(const SqlStatement& s) {
        using K = SqlStatement::Kind;
        const bool whole = s.hasRange && s.rangeLastRow == 65536;
        switch (s.kind) {
            case K::CreateTable:
                return !s.hasRange || whole || FailBool("CREATE TABLE takes the whole sheet or no range.");
            case K::DropTable:
            case K::Select:
                return whole || FailBool("The sheet must be named with the range $A1:IV65536.");
            case K::Insert:
                return (s.hasRange && s.rangeLastRow >= 1 && s.rangeLastRow <= 65536) ||
                       FailBool("INSERT INTO needs a range $A1:IV<row> within the sheet.");
            case K::Update:
                return !s.hasRange || FailBool("UPDATE names the bare sheet.");
        }
        return false;
    }

    Lexer lexer_;
    std::string& error_;
    Token token_;
};

}  // namespace

std::string QuoteSqlName(std::string_view name) {
    std::string out = "[";
    for (char c : name) {
        out.push_back(c);
        if (c == ']') out.push_back(']');
    }
    out.push_back(']');
    return out;
}

std::string QuoteSqlValue(std::string_view value) {
    std::string out = "'";
    for (char c : value) {
        out.push_back(c);
        if (c == '\'') out.push_back('\'');
    }
    out.push_back('\'');
    return out;
}

std::optional<SqlStatement> ParseSql(std::string_view sql, std::string& error) {
    error.clear();
    Parser parser(sql, error);
    auto s = parser.Parse();
    if (!s && error.empty()) error = "Syntax error in SQL statement.";
    return s;
}

}  // namespace spreadsheet
