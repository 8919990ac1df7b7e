#include "host/cube/Formula.hpp"

#include "host/cube/FormulaError.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

namespace Talvex::Cube {

struct Formula::Node {
    enum class Kind { Number, Name, Negate, Binary, Call, UserCall };
    Kind kind = Kind::Number;
    double number = 0;
    int offset = 0;   // of a Name: the member this many positions away along the axis
    std::string name; // fact name, function name (built-ins in lower case), or the binary operator
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
    Parser(const std::string& text, std::vector<std::string>& names, std::vector<Formula::Call>& calls,
           bool& usesPosition)
        : text_(text), names_(names), calls_(calls), usesPosition_(usesPosition)
    {
    }

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
            node->kind = Kind::Call;
            node->name = Lower(name);
            if (!Accept(")")) {
                do
                    node->args.push_back(Comparison());
                while (Accept(","));
                if (!Accept(")")) Fail("missing ')'");
            }
            const auto arity = node->args.size();
            const auto& function = node->name;
            const bool builtIn = function == "max" || function == "min" || function == "abs" || function == "if" ||
                                 function == "istotal";
            if (!builtIn) {
                node->kind = Kind::UserCall;
                node->name = name;
                const auto known = std::find_if(calls_.begin(), calls_.end(), [&](const Formula::Call& call) {
                    return Lower(call.name) == function && call.arity == arity;
                });
                if (known == calls_.end()) calls_.push_back({name, arity});
                return node;
            }
            const bool arityOk = function == "abs"       ? arity == 1
                                 : function == "if"      ? arity == 3
                                 : function == "istotal" ? arity == 0
                                                         : arity > 0;
            if (!arityOk) {
                pos_ = start;
                Fail("wrong number of arguments to " + name);
            }
            return node;
        }
        node->kind = Kind::Name;
        node->name = name;
        if (Accept("[")) node->offset = Position();
        if (std::find(names_.begin(), names_.end(), name) == names_.end()) names_.push_back(name);
        return node;
    }

    // "$pos", "$pos-1", "$pos + 2" up to the closing bracket: the offset from the cell's position.
    int Position()
    {
        if (!Accept("$pos")) Fail("expected '$pos'");
        usesPosition_ = true;
        int sign = 0;
        if (Accept("-"))
            sign = -1;
        else if (Accept("+"))
            sign = 1;
        int offset = 0;
        if (sign != 0) {
            SkipBlanks();
            const auto start = pos_;
            while (pos_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_])))
                ++pos_;
            const auto result = std::from_chars(text_.data() + start, text_.data() + pos_, offset);
            if (start == pos_ || result.ec != std::errc()) {
                pos_ = start;
                Fail("bad position");
            }
            offset *= sign;
        }
        if (!Accept("]")) Fail("missing ']'");
        return offset;
    }

    const std::string& text_;
    std::vector<std::string>& names_;
    std::vector<Formula::Call>& calls_;
    bool& usesPosition_;
    std::size_t pos_ = 0;
};

// User functions calling user functions deeper than this mean a definition calls itself.
constexpr int kMaxCallDepth = 32;

// The parameters of a user function while its body is evaluated; everything else is the
// caller's.
class ArgumentContext : public Formula::Context {
public:
    ArgumentContext(const FormulaFunction& function, const std::vector<std::optional<double>>& args,
                    const Formula::Context& caller)
        : function_(function), args_(args), caller_(caller)
    {
    }
    std::optional<double> Value(const std::string& name, int /*offset*/) const override
    {
        const auto& params = function_.Params();
        for (std::size_t i = 0; i < params.size(); ++i)
            if (Lower(params[i]) == Lower(name)) return args_[i];
        throw FormulaError("function \"" + function_.Definition() + "\": unknown name \"" + name + "\"");
    }
    bool IsTotal() const override { return caller_.IsTotal(); }
    const Functions* UserFunctions() const override { return caller_.UserFunctions(); }

private:
    const FormulaFunction& function_;
    const std::vector<std::optional<double>>& args_;
    const Formula::Context& caller_;
};

std::optional<double> Eval(const Formula::Node& node, const Formula::Context& context, const std::string& text,
                           int depth)
{
    switch (node.kind) {
    case Kind::Number: return node.number;
    case Kind::Name: return context.Value(node.name, node.offset);
    case Kind::Negate: {
        const auto v = Eval(*node.args[0], context, text, depth);
        if (!v) return std::nullopt;
        return -*v;
    }
    case Kind::Call: {
        if (node.name == "istotal") return context.IsTotal() ? 1.0 : 0.0;
        if (node.name == "if") {
            const auto condition = Eval(*node.args[0], context, text, depth);
            if (!condition) return std::nullopt;
            return Eval(*node.args[*condition != 0 ? 1 : 2], context, text, depth);
        }
        std::optional<double> result;
        for (const auto& arg : node.args) {
            const auto v = Eval(*arg, context, text, depth);
            if (!v) return std::nullopt;
            if (node.name == "abs") return std::fabs(*v);
            if (!result)
                result = v;
            else
                result = node.name == "max" ? std::max(*result, *v) : std::min(*result, *v);
        }
        return result;
    }
    case Kind::UserCall: {
        const Functions* functions = context.UserFunctions();
        const FormulaFunction* function = functions ? functions->Find(node.name) : nullptr;
        if (!function) throw FormulaError("formula \"" + text + "\": unknown function '" + node.name + "'");
        if (function->Params().size() != node.args.size())
            throw FormulaError("formula \"" + text + "\": wrong number of arguments to " + node.name);
        if (depth >= kMaxCallDepth)
            throw FormulaError("formula \"" + text + "\": function '" + node.name + "' calls itself");
        std::vector<std::optional<double>> args;
        args.reserve(node.args.size());
        for (const auto& arg : node.args)
            args.push_back(Eval(*arg, context, text, depth));
        const ArgumentContext inner(*function, args, context);
        return Eval(function->Body().Root(), inner, function->Definition(), depth + 1);
    }
    case Kind::Binary: {
        const auto a = Eval(*node.args[0], context, text, depth);
        const auto b = Eval(*node.args[1], context, text, depth);
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

class ResolverContext : public Formula::Context {
public:
    explicit ResolverContext(const Formula::Resolver& valueOf) : valueOf_(valueOf) {}
    std::optional<double> Value(const std::string& name, int offset) const override
    {
        if (offset != 0) return std::nullopt;
        return valueOf_(name);
    }

private:
    const Formula::Resolver& valueOf_;
};

} // namespace

Formula::Formula(std::string text) : text_(std::move(text))
{
    Parser parser(text_, names_, calls_, usesPosition_);
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

std::optional<double> Formula::Evaluate(const Context& context) const
{
    return Eval(*root_, context, text_, 0);
}

std::optional<double> Formula::Evaluate(const Resolver& valueOf) const
{
    return Evaluate(ResolverContext(valueOf));
}

void Formula::CheckCalls(const Functions& functions, const std::string& owner) const
{
    for (const auto& call : calls_) {
        const auto* function = functions.Find(call.name);
        if (!function)
            throw FormulaError("formula \"" + text_ + "\" of " + owner + ": unknown function '" + call.name + "'");
        if (function->Params().size() != call.arity)
            throw FormulaError("formula \"" + text_ + "\" of " + owner + ": " + call.name + " takes " +
                               std::to_string(function->Params().size()) + " arguments, not " +
                               std::to_string(call.arity));
    }
}

namespace {

std::string Trimmed(std::string_view s)
{
    std::size_t first = 0;
    std::size_t last = s.size();
    while (first < last && std::isspace(static_cast<unsigned char>(s[first])))
        ++first;
    while (last > first && std::isspace(static_cast<unsigned char>(s[last - 1])))
        --last;
    return std::string(s.substr(first, last - first));
}

bool IsIdentifier(const std::string& s)
{
    if (s.empty() || std::isdigit(static_cast<unsigned char>(s[0]))) return false;
    return std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isalnum(c) || c == '_'; });
}

// The body of a definition "Name(p1, p2)=body"; the head is read into name and params.
std::string SplitDefinition(const std::string& definition, std::string& name, std::vector<std::string>& params)
{
    auto fail = [&](const std::string& what) { throw FormulaError("function \"" + definition + "\": " + what); };
    const auto open = definition.find('(');
    const auto close = definition.find(')');
    if (open == std::string::npos || close == std::string::npos || close < open)
        fail("expected Name(parameters)=formula");
    name = Trimmed(std::string_view(definition).substr(0, open));
    if (!IsIdentifier(name)) fail("bad name \"" + name + "\"");
    const auto list = Trimmed(std::string_view(definition).substr(open + 1, close - open - 1));
    if (!list.empty()) {
        std::size_t from = 0;
        for (;;) {
            const auto comma = list.find(',', from);
            auto param = Trimmed(
                std::string_view(list).substr(from, comma == std::string::npos ? std::string::npos : comma - from));
            if (!IsIdentifier(param)) fail("bad parameter \"" + param + "\"");
            for (const auto& known : params)
                if (Lower(known) == Lower(param)) fail("parameter \"" + param + "\" given twice");
            params.push_back(std::move(param));
            if (comma == std::string::npos) break;
            from = comma + 1;
        }
    }
    const auto equals = definition.find_first_not_of(" \t", close + 1);
    if (equals == std::string::npos || definition[equals] != '=') fail("expected '=' after the parameters");
    return definition.substr(equals + 1);
}

// The body read as a formula; its faults name the whole definition.
Formula BodyOf(const std::string& definition, std::string& name, std::vector<std::string>& params)
{
    const std::string body = SplitDefinition(definition, name, params);
    try {
        return Formula(body);
    } catch (const FormulaError& e) {
        throw FormulaError("function \"" + definition + "\": " + e.what());
    }
}

} // namespace

FormulaFunction::FormulaFunction(const std::string& definition)
    : definition_(definition), body_(BodyOf(definition, name_, params_))
{
    if (body_.UsesPosition())
        throw FormulaError("function \"" + definition_ + "\": a function reads no neighbouring positions");
    for (const auto& used : body_.Names()) {
        const bool isParam = std::any_of(params_.begin(), params_.end(),
                                         [&](const std::string& param) { return Lower(param) == Lower(used); });
        if (!isParam) throw FormulaError("function \"" + definition_ + "\": unknown name \"" + used + "\"");
    }
}

const FormulaFunction& Functions::Add(const std::string& definition)
{
    FormulaFunction function(definition);
    for (auto& existing : items_) {
        if (Lower(existing.Name()) == Lower(function.Name())) {
            existing = std::move(function);
            return existing;
        }
    }
    items_.push_back(std::move(function));
    return items_.back();
}

const FormulaFunction* Functions::Find(std::string_view name) const
{
    const auto wanted = Lower(name);
    for (const auto& function : items_)
        if (Lower(function.Name()) == wanted) return &function;
    return nullptr;
}

} // namespace Talvex::Cube
