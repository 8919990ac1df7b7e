#include "quarn/ledger/GLExpandedFill.hpp"

namespace Quarn_DuzAde {

namespace {

struct AccountBlock {
    const GLTreeAccount* account = nullptr;
    std::map<std::string, GLAccountTurnover> correspondents; // by correspondent code, ordered
};

} // namespace

std::vector<GLExpandedRow> ExpandedStatement(const std::vector<GLTreeAccount>& tree,
                                             const std::map<std::string, GLAccountTurnover>& turnovers,
                                             const std::vector<GLCorrespondence>& lines,
                                             const std::map<std::string, std::string>& chartNames)
{
    // Codes in order; an account reached through two chosen trees is listed once.
    std::map<std::string, AccountBlock> blocks;
    for (const GLTreeAccount& account : tree) {
        AccountBlock& block = blocks[account.code];
        if (block.account == nullptr) block.account = &account;
    }
    for (const GLCorrespondence& line : lines) {
        const auto block = blocks.find(line.code);
        if (block == blocks.end()) continue;
        GLAccountTurnover& sums = block->second.correspondents[line.corCode];
        sums.dTurn += line.dTurn;
        sums.cTurn += line.cTurn;
    }
    std::vector<GLExpandedRow> rows;
    for (const auto& [code, block] : blocks) {
        GLExpandedRow total;
        total.code = code;
        total.total = true;
        total.isGroup = block.account->isGroup;
        total.level = block.account->level;
        total.name = block.account->name;
        if (const auto found = turnovers.find(code); found != turnovers.end()) total.sums = found->second;
        rows.push_back(total);
        for (const auto& [corCode, sums] : block.correspondents) {
            GLExpandedRow line;
            line.code = code;
            line.corCode = corCode;
            line.sums.dTurn = sums.dTurn;
            line.sums.cTurn = sums.cTurn;
            line.isGroup = total.isGroup;
            line.level = total.level;
            if (const auto name = chartNames.find(corCode); name != chartNames.end()) line.name = name->second;
            rows.push_back(std::move(line));
        }
    }
    return rows;
}

} // namespace Quarn_DuzAde

namespace Quarn_DuzAde {

std::string QuotedAccountCodes(const std::vector<std::string>& codes)
{
    std::string out;
    for (const std::string& code : codes) {
        if (!out.empty()) out += ", ";
        out += '\'';
        for (char c : code) {
            out += c;
            if (c == '\'') out += '\'';
        }
        out += '\'';
    }
    return out;
}

std::vector<std::string> AccountCodesOf(const std::string& parameter)
{
    std::vector<std::string> codes;
    std::string code;
    bool quoted = false;
    bool wasQuoted = false;
    auto finish = [&] {
        std::string trimmed = code;
        if (!wasQuoted) {
            const auto first = trimmed.find_first_not_of(' ');
            const auto last = trimmed.find_last_not_of(' ');
            trimmed = first == std::string::npos ? std::string() : trimmed.substr(first, last - first + 1);
        }
        if (!trimmed.empty()) codes.push_back(trimmed);
        code.clear();
        wasQuoted = false;
    };
    for (std::size_t i = 0; i < parameter.size(); ++i) {
        const char c = parameter[i];
        if (quoted) {
            if (c == '\'' && i + 1 < parameter.size() && parameter[i + 1] == '\'') {
                code += '\'';
                ++i;
            } else if (c == '\'') {
                quoted = false;
            } else {
                code += c;
            }
        } else if (c == '\'') {
            quoted = true;
            wasQuoted = true;
            code.clear();
        } else if (c == ',') {
            finish();
        } else if (!wasQuoted) {
            code += c;
        }
    }
    finish();
    return codes;
}

} // namespace Quarn_DuzAde
