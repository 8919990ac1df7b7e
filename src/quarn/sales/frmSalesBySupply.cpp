#include "quarn/sales/frmSalesBySupply.hpp"

#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/ui/MessageBox.hpp"
#include "host/ui/Session.hpp"
#include "quarn/frame/PeriodLimit.hpp"
#include "quarn/frame/ReportError.hpp"

namespace Quarn_DuzAde {

using Talvex::Date;
using Talvex::Value;
using Talvex::Ui::ControlKind;
using Talvex::Ui::EventArgs;

frmSalesBySupply::frmSalesBySupply() : Form("frmSalesBySupply")
{
    SetCaption("Sales of goods bought on pay-on-sale terms");
    Add(ControlKind::ComboBox, "cbClient", "Supplier or supplier group").BindLookup({"REFClient", "Code", "Name"});
    Add(ControlKind::TextBox, "edClientName", "Name").SetLocked(true);
    Add(ControlKind::NumberBox, "edPayTerm", "Payment term, days").SetLocked(true);
    Add(ControlKind::DateBox, "edBegDate", "Sales from");
    Add(ControlKind::DateBox, "edEndDate", "to");
    Add(ControlKind::Button, "btOk", "OK").SetDefault(true);
    Add(ControlKind::Button, "btCancel", "Cancel").SetCancel(true);

    On("cbClient", "Change", [this](EventArgs&) {
        try {
            cbClient_Change();
        } catch (...) {
            ReportError();
        }
    });
    On("btOk", "Click", [this](EventArgs&) { btOk_Click(); });
    On("btCancel", "Click", [this](EventArgs&) {
        confirmed_ = false;
        Hide();
    });
}

bool frmSalesBySupply::FindSupplier(Talvex::Book& book, const std::string& code, Supplier& supplier)
{
    auto clients = book.CreateList("REFClient");
    clients->Fields().SelectFields({"Name", "IsGroup"});
    auto groups = book.CreateList("REFClientMarketGr");
    groups->Fields().SelectFields({});
    clients->Join(groups, "ClntMGr", "oTable.MarketGrCode = ClntMGr.Code", 1);
    clients->Fields().AddField("PayTerm", Talvex::FieldType::kInteger, "COALESCE(ClntMGr.PayTerm, 0)");
    clients->SetFilter(Talvex::SqlTools::CondByName("oTable.Code", Talvex::FieldType::kCode,
                                                    Talvex::SqlOperator::kEqual, Value(code)));
    clients->Refresh();
    auto rs = clients->Recordset();
    if (rs->RecordCount() == 0) return false;
    rs->MoveFirst();
    supplier.name = rs->Fields().Item("Name").Value().ToText();
    supplier.isGroup = rs->Fields().Item("IsGroup").Value().ToInteger() == 1;
    supplier.payTerm = static_cast<long>(rs->Fields().Item("PayTerm").Value().ToInteger());
    return true;
}

bool frmSalesBySupply::Run(std::shared_ptr<Talvex::Book> oBook, Date& begDate, Date& endDate, std::string& client,
                           std::string& clientName, long& payTerm)
{
    book_ = std::move(oBook);
    Ctl("edBegDate").SetValue(Value(begDate));
    Ctl("edEndDate").SetValue(Value(endDate));
    Ctl("cbClient").SetValue(Value(client));
    cbClient_Change();
    confirmed_ = false;
    Show(true);
    if (!confirmed_) return false;
    begDate = Ctl("edBegDate").GetValue().ToDate();
    endDate = Ctl("edEndDate").GetValue().ToDate();
    client = Ctl("cbClient").GetValue().ToText();
    Supplier supplier;
    FindSupplier(*book_, client, supplier);
    clientName = supplier.name;
    payTerm = supplier.payTerm;
    return true;
}

void frmSalesBySupply::cbClient_Change()
{
    Supplier supplier;
    const std::string code = Ctl("cbClient").GetValue().ToText();
    if (code.empty() || !book_ || !FindSupplier(*book_, code, supplier)) supplier = Supplier{};
    Ctl("edClientName").SetValue(Value(supplier.name));
    Ctl("edPayTerm").SetValue(Value(static_cast<std::int64_t>(supplier.payTerm)));
}

std::string frmSalesBySupply::CheckInput() const
{
    const std::string code = Ctl("cbClient").GetValue().ToText();
    if (code.empty()) return "cbClient: choose the supplier or supplier group.";
    Supplier supplier;
    if (!FindSupplier(*book_, code, supplier)) return "cbClient: there is no client with the code '" + code + "'.";
    const Value& beg = Ctl("edBegDate").GetValue();
    const Value& end = Ctl("edEndDate").GetValue();
    if (!beg.IsDate()) return "edBegDate: enter the first day of the sales period.";
    if (!end.IsDate()) return "edEndDate: enter the last day of the sales period.";
    if (end.ToDate() < beg.ToDate())
        return "edEndDate: the period ends (" + end.ToDate().ToIso() + ") before it starts (" + beg.ToDate().ToIso() +
               ").";
    return PeriodTooLong("edEndDate", beg.ToDate(), end.ToDate());
}

void frmSalesBySupply::btOk_Click()
{
    try {
        if (const std::string refusal = CheckInput(); !refusal.empty()) {
            Talvex::Ui::MessageBox box(*GetSession());
            box.Show(refusal, Talvex::Ui::MessageButtons::Ok, "", Talvex::Ui::MessageKind::Refusal);
            return;
        }
        confirmed_ = true;
        Hide();
    } catch (...) {
        // The form stays open with the user's input.
        ReportError();
    }
}

} // namespace Quarn_DuzAde
