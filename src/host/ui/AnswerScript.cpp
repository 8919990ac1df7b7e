#include "host/ui/AnswerScript.hpp"

#include "host/types/WholeNumber.hpp"
#include "host/ui/MessageBox.hpp"
#include "host/ui/UiError.hpp"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace Talvex::Ui {

namespace {

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

std::string Unquote(std::string_view text)
{
    text = Trim(text);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') text = text.substr(1, text.size() - 2);
    return std::string(text);
}

std::vector<std::string> Words(std::string_view text)
{
    std::vector<std::string> words;
    std::istringstream in{std::string(text)};
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}

bool ReadNumber(const std::string& word, long& out)
{
    const std::optional<std::int64_t> number = TryParseWholeNumber(word);
    if (!number) return false;
    out = static_cast<long>(*number);
    return true;
}

std::string Quoted(const std::string& text)
{
    const bool needsQuotes =
        !text.empty() && (std::isspace(static_cast<unsigned char>(text.front())) ||
                          std::isspace(static_cast<unsigned char>(text.back())) || text.front() == '"');
    return needsQuotes ? "\"" + text + "\"" : text;
}

class LineParser {
public:
    LineParser(std::string_view origin, int line) : origin_(origin), line_(line) {}

    ScriptStep Parse(std::string_view text)
    {
        ScriptStep step;
        step.line = line_;
        const std::vector<std::string> words = Words(text);
        if (words[0] == "message") {
            step.verb = ScriptVerb::Answer;
            step.form = std::string(MessageBox::kFormName);
            step.text = Unquote(text.substr(text.find("message") + 7));
            if (step.text.empty()) Fail("a message answer needs a button");
            return step;
        }
        if (words[0] == "progress") {
            if (words.size() < 2 || words[1] != "cancel" || words.size() > 3) Fail("expected 'progress cancel [step]'");
            step.verb = ScriptVerb::CancelProgress;
            if (words.size() == 3 && (!ReadNumber(words[2], step.afterStep) || step.afterStep < 1))
                Fail("'" + words[2] + "' is not a step number");
            return step;
        }

        // "form.control = value" or "form[.control] verb arguments".
        const std::size_t end = text.find_first_of(" \t=");
        const std::string target(text.substr(0, end));
        const std::string_view rest = end == std::string_view::npos ? std::string_view() : Trim(text.substr(end));
        const std::size_t dot = target.find('.');
        step.form = target.substr(0, dot);
        if (dot != std::string::npos) step.control = target.substr(dot + 1);
        if (step.form.empty()) Fail("a step needs a form name");

        if (!rest.empty() && rest.front() == '=') {
            if (step.control.empty()) Fail("'" + target + "': a value needs form.control");
            step.verb = ScriptVerb::Set;
            step.text = Unquote(rest.substr(1));
            return step;
        }
        const std::vector<std::string> args = Words(rest);
        if (args.empty()) Fail("'" + target + "' has no action");
        const std::string& verb = args[0];
        if (step.control.empty()) {
            if (verb == "close")
                step.verb = ScriptVerb::Close;
            else if (verb == "accept")
                step.verb = ScriptVerb::Accept;
            else
                Fail("unknown window action '" + verb + "' (expected close or accept)");
            if (args.size() > 1) Fail("'" + verb + "' takes no arguments");
            return step;
        }
        if (verb == "click") {
            step.verb = ScriptVerb::Click;
            if (args.size() > 1) Fail("'click' takes no arguments");
        } else if (verb == "dblclick") {
            step.verb = ScriptVerb::DblClick;
            if (args.size() < 2 || args.size() > 3) Fail("expected 'dblclick <row> [column]'");
            step.rows.push_back(Row(args[1]));
            if (args.size() == 3) step.column = args[2];
        } else if (verb == "cell") {
            step.verb = ScriptVerb::Cell;
            if (args.size() < 2 || args.size() > 3) Fail("expected 'cell <row> [column]'");
            step.rows.push_back(Row(args[1]));
            if (args.size() == 3) step.column = args[2];
        } else if (verb == "select") {
            step.verb = ScriptVerb::Select;
            if (args.size() < 2) Fail("'select' needs rows");
            // "select all": every row on screen when the step is played, however many.
            if (args.size() == 2 && args[1] == "all") return step;
            for (std::size_t i = 1; i < args.size(); ++i)
                step.rows.push_back(Row(args[i]));
        } else if (verb == "menu") {
            step.verb = ScriptVerb::Menu;
            if (args.size() != 2) Fail("expected 'menu <key>'");
            step.text = args[1];
        } else if (verb == "edit") {
            // "edit <row> <column> = <value>": the value is the rest of the line, as with '='.
            const std::size_t equals = rest.find('=');
            const std::vector<std::string> head = Words(rest.substr(0, equals));
            if (equals == std::string_view::npos || head.size() != 3) Fail("expected 'edit <row> <column> = <value>'");
            step.verb = ScriptVerb::Edit;
            step.rows.push_back(Row(head[1]));
            step.column = head[2];
            step.text = Unquote(rest.substr(equals + 1));
        } else if (verb == "addrow") {
            step.verb = ScriptVerb::AddRow;
            if (args.size() > 1) Fail("'addrow' takes no arguments");
        } else if (verb == "delrow") {
            step.verb = ScriptVerb::DeleteRow;
            if (args.size() != 2) Fail("expected 'delrow <row>'");
            step.rows.push_back(Row(args[1]));
        } else if (verb == "card") {
            step.verb = ScriptVerb::Card;
            if (args.size() != 3) Fail("expected 'card <row> <column>'");
            step.rows.push_back(Row(args[1]));
            step.column = args[2];
        } else if (verb == "expect") {
            const std::size_t equals = rest.find('=');
            if (equals == std::string_view::npos || Words(rest.substr(0, equals)).size() != 1)
                Fail("expected 'expect = <text>'");
            step.verb = ScriptVerb::Expect;
            step.text = Unquote(rest.substr(equals + 1));
        } else {
            Fail("unknown action '" + verb +
                 "' (expected '=', click, dblclick, cell, select, menu, edit, addrow, delrow, card or expect)");
        }
        return step;
    }

private:
    long Row(const std::string& word) const
    {
        long row = 0;
        if (!ReadNumber(word, row) || row < 1) Fail("'" + word + "' is not a row number (rows count from 1)");
        return row;
    }

    [[noreturn]] void Fail(const std::string& problem) const
    {
        throw UiError(std::string(origin_) + ":" + std::to_string(line_) + ": " + problem);
    }

    std::string_view origin_;
    int line_;
};

} // namespace

std::string ScriptStep::ToText() const
{
    const std::string target = control.empty() ? form : form + "." + control;
    std::string rowList;
    for (long row : rows)
        rowList += " " + std::to_string(row);
    switch (verb) {
    case ScriptVerb::Set: return target + " = " + Quoted(text);
    case ScriptVerb::Click: return target + " click";
    case ScriptVerb::DblClick: return target + " dblclick" + rowList + (column.empty() ? "" : " " + column);
    case ScriptVerb::Cell: return target + " cell" + rowList + (column.empty() ? "" : " " + column);
    case ScriptVerb::Edit: return target + " edit" + rowList + " " + column + " = " + Quoted(text);
    case ScriptVerb::AddRow: return target + " addrow";
    case ScriptVerb::DeleteRow: return target + " delrow" + rowList;
    case ScriptVerb::Card: return target + " card" + rowList + " " + column;
    case ScriptVerb::Expect: return target + " expect = " + Quoted(text);
    case ScriptVerb::Select: return target + " select" + (rows.empty() ? std::string(" all") : rowList);
    case ScriptVerb::Menu: return target + " menu " + text;
    case ScriptVerb::Close: return target + " close";
    case ScriptVerb::Accept: return target + " accept";
    case ScriptVerb::Answer: return "message " + text;
    case ScriptVerb::CancelProgress: return "progress cancel " + std::to_string(afterStep);
    }
    return target;
}

std::string ScriptStep::Named() const
{
    return (line > 0 ? "answers line " + std::to_string(line) + ": " : std::string()) + ToText();
}

AnswerScript AnswerScript::Parse(std::string_view text, std::string_view origin)
{
    AnswerScript script;
    int lineNumber = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        ++lineNumber;
        const std::string_view line = Trim(text.substr(start, end - start));
        if (!line.empty() && line.front() != '#') script.Add(LineParser(origin, lineNumber).Parse(line));
        start = end + 1;
    }
    return script;
}

AnswerScript AnswerScript::Load(const std::string& path)
{
    // A folder opens as a stream on Linux and reads as nothing: refused, not taken for a
    // script without steps.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        throw UiError("Cannot read the answers file '" + path +
                      "': " + (std::filesystem::exists(path, error) ? "not a regular file" : "no such file"));
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    if (!in || !(text << in.rdbuf())) throw UiError("Cannot read the answers file '" + path + "'");
    return Parse(text.str(), path);
}

} // namespace Talvex::Ui
