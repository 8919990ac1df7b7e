#include "host/cube/Formula.hpp"

#include "host/cube/FormulaError.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

namespace Talvex::Cube {

struct Formula::Node {
    enum class Kind { Number, Name, Negate, Binary, Call };
    Kind kind = Kind::Number;
    double number = 0;
    std::string name; // fact name, function name, or the binary operator
    std::vector<std::shared_ptr<const Node>> args;
};

namespace {

using NodePtr = std::shared_ptr<const Formula::Node>;
using Kind = Formula::Node::Kind;

std::string Lower(std::string_view s)
{
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

class Parser {
public:
    Parser(const std::string& text, std::vector<std::string>& names) : text_(text), names_(names) {}

    NodePtr ParseAll()
    {
        auto node = Comparison();
        SkipBlanks();
        if (pos_ < text_.size()) Fail("unexpected '" + std::string(1, text_[pos_]) + "'");
        return node;
    }

private:
    [[noreturn]] void Fail(const std::string& what) const
    {
        throw FormulaError("formula \"" + text_ + "\": " + what + " at position " + std::to_string(pos_ + 1));
    }

    void SkipBlanks()
    {
        while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_])))
            ++pos_;
    }

    bool Accept(std::string_view token)
    {
        SkipBlanks();
        if (text_.compare(pos_, token.size(), token) != 0) return false;
        pos_ += token.size();
        return true;
    }

    static NodePtr Binary(std::string op, NodePtr left, NodePtr right)
    {
        auto node = std::make_shared<Formula::Node>();
        node->kind = Kind::Binary;
        node->name = std::move(op);
        node->args = {std::move(left), std::move(right)};
        return node;
    }

    NodePtr Comparison()
    {
        auto left = Sum();
        for (const char* op : {"<=", ">=", "<>", "<", ">", "="}) {
            if (Accept(op)) return Binary(op, left, Sum());
        }
        return left;
    }

    NodePtr Sum()
    {
        auto left = Product();
        for (;;) {
            if (Accept("+"))
                left = Binary("+", left, Product());
            else if (Accept("-"))
                left = Binary("-", left, Product());
            else
                return left;
        }
    }

    NodePtr Product()
    {
        auto left = Unary();
        for (;;) {
            if (Accept("*"))
                left = Binary("*", left, Unary());
            else if (Accept("/"))
                left = Binary("/", left, Unary());
            else
                return left;
        }
    }

    NodePtr Unary()
    {
        if (Accept("-")) {
            auto node = std::make_shared<Formula::Node>();
            node->kind = Kind::Negate;
            node->args = {Unary()};
            return node;
        }
        if (Accept("+")) return Unary();
        return Primary();
    }

    NodePtr Primary()
    {
        SkipBlanks();
        if (pos_ >= text_.size()) Fail("missing operand");
        if (Accept("(")) {
            auto inner = Comparison();
            if (!Accept(")")) Fail("missing ')'");
            return inner;
        }
        const char c = text_[pos_];
        if (std::isdigit(static_cast<unsigned char>(c)) || c == '.') return Number();
        if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') return NameOrCall();
        Fail("unexpected '" + std::string(1, c) + "'");
    }

    NodePtr Number()
    {
        const auto start = pos_;
        while (pos_ < text_.size() && (std::isdigit(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == '.'))
            ++pos_;
        auto node = std::make_shared<Formula::Node>();
        const auto* first = text_.data() + start;
        const auto* last = text_.data() + pos_;
        const auto result = std::from_chars(first, last, node->number);
        if (result.ec != std::errc() || result.ptr != last) {
            pos_ = start;
            Fail("bad number");
        }
        return node;
    }

    NodePtr NameOrCall()
    {
        const auto start = pos_;
        while (pos_ < text_.size() &&
               (std::isalnum(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == '_' || text_[pos_] == '.'))
            ++pos_;
        std::string name = text_.substr(start, pos_ - start);
        auto node = std::make_shared<Formula::Node>();
        if (Accept("(")) {
            const auto function = Lower(name);
            if (function != "max" && function != "min" && function != "abs") {
                pos_ = start;
                Fail("unknown function '" + name + "'");
            }
            node->kind = Kind::Call;
            node->name = function;
            if (!Accept(")")) {
                do
                    node->args.push_back(Comparison());
                while (Accept(","));
                if (!Accept(")")) Fail("missing ')'");
            }
            if (node->args.empty() || (function == "abs" && node->args.size() != 1)) {
                pos_ = start;
                Fail("wrong number of arguments to " + function);
            }
            return node;
        }
        node->kind = Kind::Name;
        node->name = name;
        if (std::find(names_.begin(), names_.end(), name) == names_.end()) names_.push_back(name);
        return node;
    }

    const std::string& text_;
    std::vector<std::string>& names_;
    std::size_t pos_ = 0;
};

std::optional<double> Eval(const Formula::Node& node, const Formula::Resolver& valueOf)
{
    switch (node.kind) {
    case Kind::Number: return node.number;
    case Kind::Name: return valueOf(node.name);
    case Kind::Negate: {
        const auto v = Eval(*node.args[0], valueOf);
        if (!v) return std::nullopt;
        return -*v;
    }
    case Kind::Call: {
        std::optional<double> result;
        for (const auto& arg : node.args) {
            const auto v = Eval(*arg, valueOf);
            if (!v) return std::nullopt;
            if (node.name == "abs") return std::fabs(*v);
            if (!result)
                result = v;
            else
                result = node.name == "max" ? std::max(*result, *v) : std::min(*result, *v);
        }
        return result;
    }
    case Kind::Binary: {
        const auto a = Eval(*node.args[0], valueOf);
        const auto b = Eval(*node.args[1], valueOf);
        if (!a || !b) return std::nullopt;
        const auto& op = node.name;
        if (op == "+") return *a + *b;
        if (op == "-") return *a - *b;
        if (op == "*") return *a * *b;
        if (op == "/") {
            if (*b == 0) return std::nullopt;
            return *a / *b;
        }
        if (op == "<") return *a < *b ? 1.0 : 0.0;
        if (op == "<=") return *a <= *b ? 1.0 : 0.0;
        if (op == ">") return *a > *b ? 1.0 : 0.0;
        if (op == ">=") return *a >= *b ? 1.0 : 0.0;
        if (op == "=") return *a == *b ? 1.0 : 0.0;
        return *a != *b ? 1.0 : 0.0; // "<>"
    }
    }
    return std::nullopt;
}

} // namespace

Formula::Formula(std::string text) : text_(std::move(text))
{
    Parser parser(text_, names_);
    root_ = parser.ParseAll();
}

Formula Formula::FromTemplate(std::string_view pattern, const std::vector<std::string>& names)
{
    std::string text;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && std::isdigit(static_cast<unsigned char>(pattern[i + 1]))) {
            std::size_t j = i + 1;
            std::size_t index = 0;
            while (j < pattern.size() && std::isdigit(static_cast<unsigned char>(pattern[j])))
                index = index * 10 + static_cast<std::size_t>(pattern[j++] - '0');
            if (index >= names.size())
                throw FormulaError("formula \"" + std::string(pattern) + "\": placeholder %" + std::to_string(index) +
                                   " has no fact name");
            text += names[index];
            i = j - 1;
        } else {
            text += pattern[i];
        }
    }
    return Formula(std::move(text));
}

std::optional<double> Formula::Evaluate(const Resolver& valueOf) const
{
    return Eval(*root_, valueOf);
}

} // namespace Talvex::Cube
