#include "quarn/sales/CRepBuyFromPersonXML.hpp"

#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/ui/Session.hpp"
#include "quarn/frame/AppVersion.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/frame/Startup.hpp"
#include "quarn/sales/CReportBuyFromPerson.hpp"

namespace Quarn_DuzAde {

namespace {

constexpr long kFileNameEmpty = 23866;
constexpr long kNothingToShow = 28650;

std::string SettingText(const Talvex::Book& book, std::string_view name)
{
    const Talvex::Value v = book.Setting(name);
    return v.IsNull() || v.IsEmpty() ? std::string() : v.ToText();
}

} // namespace

Fr0471Header CRepBuyFromPersonXML::HeaderOf(const Talvex::Book& book)
{
    Fr0471Header header;
    // The form asks for the company's registration code; the Book's short code stands in
    // where the company has none.
    header.companyCode = SettingText(book, "ImKodas");
    if (header.companyCode.empty()) header.companyCode = SettingText(book, "CompanyCode");
    header.companyName = SettingText(book, "CompanyName");
    header.address = SettingText(book, "CompanyAddress");
    header.email = SettingText(book, "CompanyEMail");
    header.phone = SettingText(book, "CompanyTEL");
    header.fax = SettingText(book, "CompanyFA");
    header.createdByApp = "Talvex Enterprice " + std::string(kAppTitle) + " v." + AppVersionText();
    header.createdByLogin = book.UserName();
    header.today = book.Today();
    return header;
}

void CRepBuyFromPersonXML::Fill(Talvex::FieldList& parm)
{
    const auto& res = ModuleFormRes();
    const std::string fileName =
        parm.ExistsField("FileName") ? parm.Item("FileName").GetValue().ToText() : std::string();
    if (fileName.empty()) throw ModuleError(kFillError, res.GetString(kFileNameEmpty));
    std::shared_ptr<Talvex::DataList> list;
    if (parm.ExistsField("DataList"))
        list = std::dynamic_pointer_cast<Talvex::DataList>(parm.Item("DataList").GetValue().ToObject());
    const std::vector<BuyFromPersonTotal> rows =
        list ? CReportBuyFromPerson::TotalsOf(*list) : std::vector<BuyFromPersonTotal>{};
    if (rows.empty()) throw ModuleError(kFillError, res.GetString(kNothingToShow));

    const std::string document = Fr0471Document(rows, HeaderOf(list->GetBook()));
    Talvex::Ui::Session::Current().SaveUserFile(fileName, document);
}

} // namespace Quarn_DuzAde
