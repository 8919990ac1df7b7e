#include "quarn/ledger/FinStateFill.hpp"

namespace Quarn_DuzAde {

using Talvex::Currency;
using Talvex::Date;

std::vector<std::string> CodeListOf(std::string_view text)
{
    std::vector<std::string> codes;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = text.find_first_of(";,", start);
        std::string_view piece =
            text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        while (!piece.empty() && piece.front() == ' ')
            piece.remove_prefix(1);
        while (!piece.empty() && piece.back() == ' ')
            piece.remove_suffix(1);
        if (!piece.empty()) codes.emplace_back(piece);
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return codes;
}

std::string CodeListText(const std::vector<std::string>& codes)
{
    std::string text;
    for (const std::string& code : codes) {
        if (!text.empty()) text += "; ";
        text += code;
    }
    return text;
}

Currency NetBalance(const std::vector<FinStateBalance>& balances)
{
    Currency net;
    for (const FinStateBalance& b : balances)
        net += b.outcomeD - b.outcomeC;
    return net;
}

FinStateDebt DebtOf(const std::vector<FinStateDueDay>& days, Date date, std::optional<Date> limitDate)
{
    FinStateDebt out;
    for (const FinStateDueDay& day : days) {
        if (limitDate && day.needPayDate > *limitDate) continue;
        out.debt += day.debtSumma;
        if (day.needPayDate < date) out.passed += day.debtSumma;
    }
    return out;
}

Currency FinStateFigures::Total() const
{
    return bank.value_or(Currency()) + cash.value_or(Currency()) + (debit ? debit->debt : Currency()) -
           (credit ? credit->debt : Currency());
}

} // namespace Quarn_DuzAde
