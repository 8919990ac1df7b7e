#pragma once

#include "host/types/Date.hpp"
#include "host/ui/Form.hpp"
#include "quarn/ledger/FinStateFill.hpp"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Talvex {
class Book;
namespace Data {
class Recordset;
}
} // namespace Talvex

namespace Quarn_DuzAde {

// The company's money position on a date on one screen: bank and cash balances from the
// ledger, what clients owe and what the company owes with their overdue parts, and the
// resulting total. The accounts and document types are each user's own choice.
class frmFinState : public Talvex::Ui::Form {
public:
    // The key the user's choices are kept under in the settings store.
    static constexpr std::string_view kSettingsKey = "frmFinState";

    struct Settings {
        std::vector<std::string> bankAccounts, cashAccounts, debetDocs, kreditDocs;
        std::optional<Talvex::Date> kreditDate;
    };

    frmFinState();

    // Shows the form modally over the Book, figures worked out for the Book's today; true
    // when the user closed it to print the figures.
    bool Run(std::shared_ptr<Talvex::Book> oBook);
    // The figures shown, as rows of caption and amount, for printing.
    std::shared_ptr<Talvex::Data::Recordset> PrintList() const;

    // The user's settings; with nothing kept, the books' bank (271) and cash (272) accounts and
    // the receivable and payable document types.
    static Settings LoadSettings(Talvex::Book& book);
    static void SaveSettings(Talvex::Book& book, const Settings& settings);
    // Fetch and compute of every figure on a date.
    static FinStateFigures Compute(Talvex::Book& book, const Settings& settings, Talvex::Date date);
    // The net balance of accounts of the Book's chart on a date (nothing for no accounts).
    static std::optional<Talvex::Currency> Balance(Talvex::Book& book, const std::vector<std::string>& accounts,
                                                   Talvex::Date date);
    // The open debt of posted documents of the types (nothing for no types).
    static std::optional<FinStateDebt> Debt(Talvex::Book& book, const std::vector<std::string>& docTypes,
                                            Talvex::Date date, std::optional<Talvex::Date> limitDate);
    // The credit-debt caption, with the date up to which it counts when there is one.
    static std::string CreditCaption(std::optional<Talvex::Date> kreditDate);

private:
    void Recalculate();
    void ShowFigures();
    void OpenSettings(bool documents);

    std::shared_ptr<Talvex::Book> book_;
    Settings settings_;
    FinStateFigures figures_;
    bool print_ = false;
};

} // namespace Quarn_DuzAde
