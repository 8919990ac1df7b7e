#include "quarn/sales/ParmRestByVendor.hpp"

#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/objects/UserSettings.hpp"
#include "host/ui/MessageBox.hpp"
#include "host/ui/Session.hpp"
#include "quarn/frame/ReportError.hpp"

#include <set>

namespace Quarn_DuzAde {

using Talvex::Date;
using Talvex::Value;
using Talvex::Ui::ControlKind;
using Talvex::Ui::EventArgs;

namespace {

// Selection types of a selector: a list of codes, or one code.
constexpr long kSelectList = 1;
constexpr long kSelectOne = 3;

std::vector<std::string> CodesOf(const std::string& text)
{
    std::vector<std::string> codes;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = text.find(',', start);
        std::string code = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const auto first = code.find_first_not_of(' ');
        if (first != std::string::npos) codes.push_back(code.substr(first, code.find_last_not_of(' ') - first + 1));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return codes;
}

} // namespace

ParmRestByVendor::ParmRestByVendor() : Form("ParmRestByVendor")
{
    SetCaption("Consignment vendors");
    Add(ControlKind::DateBox, "edDate", "Report date");
    Add(ControlKind::Selector, "selMarketGroup", "Market groups")
        .BindSelector({"REFClientMarketGr", Talvex::Ui::SelectionType::Multiple});
    Add(ControlKind::ComboBox, "cbClientGr", "Client group").BindLookup({"REFClient", "Code", "Name"});
    Add(ControlKind::TextBox, "seFixCategory", "Fixation categories");
    Add(ControlKind::Button, "btOk", "OK").SetDefault(true);
    Add(ControlKind::Button, "btCancel", "Cancel").SetCancel(true);
    On("btOk", "Click", [this](EventArgs&) { btOk_Click(); });
    On("btCancel", "Click", [this](EventArgs&) {
        confirmed_ = false;
        Hide();
    });
}

bool ParmRestByVendor::Run(Date& pData, std::string& MarketGroup, std::string& ClientGr,
                           std::shared_ptr<Talvex::Book> oBook, std::string& sFixCat)
{
    book_ = std::move(oBook);
    Talvex::UserSettings settings(*book_);
    const Value saved = settings.Load(kSettingsKey, "MarketGroup");
    if (MarketGroup.empty() && !saved.IsNull() && !saved.IsEmpty()) MarketGroup = saved.ToText();
    Ctl("edDate").SetValue(Value(pData));
    Ctl("selMarketGroup").SetValue(Value(MarketGroup));
    Ctl("cbClientGr").SetValue(Value(ClientGr));
    Ctl("seFixCategory").SetValue(Value(sFixCat));
    confirmed_ = false;
    Show(true);
    if (!confirmed_) return false;
    pData = Ctl("edDate").GetValue().ToDate();
    const std::vector<std::string> groups = CodesOf(Ctl("selMarketGroup").GetValue().ToText());
    MarketGroup.clear();
    for (const auto& g : groups)
        MarketGroup += (MarketGroup.empty() ? "" : ",") + g;
    ClientGr = Ctl("cbClientGr").GetValue().ToText();
    sFixCat = Ctl("seFixCategory").GetValue().ToText();
    settings.Save(kSettingsKey, "MarketGroup", Value(MarketGroup));
    settings.Save(kSettingsKey, "MarketGroupSelType",
                  Value(static_cast<std::int64_t>(groups.size() == 1 ? kSelectOne : kSelectList)));
    return true;
}

std::string ParmRestByVendor::CheckInput() const
{
    if (!Ctl("edDate").GetValue().IsDate()) return "edDate: enter the report date.";
    const std::vector<std::string> groups = CodesOf(Ctl("selMarketGroup").GetValue().ToText());
    if (groups.empty()) return "selMarketGroup: choose at least one market group of vendors.";
    auto list = book_->CreateList("REFClientMarketGr");
    list->Fields().SelectFields({"Code"});
    list->Refresh();
    std::set<std::string> known;
    auto rs = list->Recordset();
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext())
        known.insert(rs->Fields().Item("Code").Value().ToText());
    for (const auto& g : groups)
        if (!known.count(g)) return "selMarketGroup: there is no market group with the code '" + g + "'.";
    return {};
}

void ParmRestByVendor::btOk_Click()
{
    try {
        if (const std::string refusal = CheckInput(); !refusal.empty()) {
            Talvex::Ui::MessageBox(*GetSession())
                .Show(refusal, Talvex::Ui::MessageButtons::Ok, "", Talvex::Ui::MessageKind::Refusal);
            return;
        }
        confirmed_ = true;
        Hide();
    } catch (...) {
        ReportError();
    }
}

} // namespace Quarn_DuzAde
