#include "quarn/sales/CSalesBySupplImpl.hpp"

#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"
#include "quarn/query/CSelectByRef.hpp"

#include <string_view>

namespace Quarn_DuzAde {

using Talvex::DataList;
using Talvex::Date;
using Talvex::SqlTools;
using Talvex::Value;
using Kind = Talvex::FieldType;
using Op = Talvex::SqlOperator;

namespace {

constexpr long kSelectNode = 2;
constexpr long kSelectOne = 3;

// The purchase's unit price times the quantity the sale took from it: the supplier's due.
constexpr std::string_view kPrice = "Round(COALESCE(gsInc.Summa/NULLIf(gsInc.AmountAccount,0),0), 2)";
constexpr std::string_view kSumma = "Round(COALESCE(gsInc.Summa/NULLIf(gsInc.AmountAccount,0) * fix.Amount,0), 2)";
// A supplier without a market group is due on the sale date itself.
constexpr std::string_view kNeedPayDate = "DATEADD(day,COALESCE(ClntMGr.PayTerm,0),DocOut.DocumentDate)";

// A list of the table without columns of its own, so that the columns added later come out
// in the order they are added.
std::shared_ptr<DataList> Bare(Talvex::Book& book, const std::string& table)
{
    auto list = book.CreateList(table);
    std::vector<std::string> names;
    for (const auto& field : list->Fields())
        names.push_back(field->Name());
    for (const auto& name : names)
        list->Fields().Remove(name);
    return list;
}

std::string DateLiteral(Date date)
{
    return SqlTools::Literal(Kind::kDate, Value(date));
}

} // namespace

void CSalesBySupplImpl::Init(std::shared_ptr<Talvex::Book> book)
{
    book_ = std::move(book);
}

Talvex::Book& CSalesBySupplImpl::BookChecked() const
{
    if (!book_) throw Talvex::ValueError("CSalesBySupplImpl: no Book (Init was not called)");
    return *book_;
}

void CSalesBySupplImpl::RestrictSupplier(DataList& list, const std::string& partyExpr, const std::string& supplCode,
                                         bool isSupplGroup) const
{
    if (supplCode.empty()) throw Talvex::ValueError("cbClient: a supplier or supplier group must be chosen");
    CSelectByRef byRef;
    byRef.InitBook(book_);
    const std::string cond = byRef.FiltrByClients(list, partyExpr, supplCode, isSupplGroup ? kSelectNode : kSelectOne);
    if (!cond.empty()) list.SetFilter(SqlTools::AndFilter(list.Filter(), cond));
}

std::shared_ptr<DataList> CSalesBySupplImpl::FixationBase(const std::string& supplCode, bool isSupplGroup,
                                                          std::optional<Date> begDate, Date endDate) const
{
    Talvex::Book& book = BookChecked();
    auto list = Bare(book, "THDocument");
    list->SetAlias("DocOut");
    list->Join(Bare(book, "THGoodSpec"), "gsOut", "DocOut.IDC = gsOut.DocId");
    list->Join(Bare(book, "THGoodSpecFixLog"), "Fix", "gsOut.IDC = fix.OutComeSpecID");
    list->Join(Bare(book, "THGoodSpec"), "gsInc", "fix.IncomeSpecID =  gsInc.IDC");
    list->Join(Bare(book, "THDocument"), "DocInc", "gsInc.DocID = DocInc.IDC");
    auto incAdd = Bare(book, "THDocumentPISF");
    // Where the purchase extension knows no pay-on-sale flag, every purchase counts.
    const bool hasFlag = book.CreateList("THDocumentPISF")->Fields().ExistsField("IsPayOnSell");
    list->Join(incAdd, "DocIncAdd", "DocInc.IDC = DocIncAdd.DocId", hasFlag ? 0 : 1);
    list->Join(Bare(book, "THPartyAttribute"), "parInc", "DocInc.IDC = parInc.DocID AND parInc.RolePartyCode = 'PAR'");
    list->Join(Bare(book, "REFClient"), "Client", "ParInc.PartyCode = Client.Code");
    list->Join(Bare(book, "REFClientMarketGr"), "ClntMGr", "Client.MarketGrCode = ClntMGr.Code", 1);

    std::string filter = "DocOut.DocTypeCode = 'PRSF' AND DocOut.IsPosted = 1 AND DocInc.DocTypeCode = 'PISF'";
    if (hasFlag) filter += " AND DocIncAdd.IsPayOnSell = 1";
    if (begDate) filter += " AND DocOut.DocumentDate >= " + DateLiteral(*begDate);
    filter += " AND DocOut.DocumentDate <= " + DateLiteral(endDate);
    list->SetFilter(filter);
    RestrictSupplier(*list, "parInc.PartyCode", supplCode, isSupplGroup);
    return list;
}

std::shared_ptr<DataList> CSalesBySupplImpl::SaleBySupplList(const std::string& supplCode, bool isSupplGroup,
                                                             Date begDate, Date endDate) const
{
    if (endDate < begDate)
        throw Talvex::ValueError("EndDate: the period ends (" + endDate.ToIso() + ") before it starts (" +
                                 begDate.ToIso() + ")");
    auto list = FixationBase(supplCode, isSupplGroup, begDate, endDate);
    list->Join(Bare(BookChecked(), "REFGood"), "g", "gsInc.Goodcode = g.Code", 1);
    auto& f = list->Fields();
    f.AddField("GoodCode", Kind::kCode, "gsInc.Goodcode").SetCaption("Good");
    f.AddField("Name", Kind::kText, "g.Name").SetCaption("Name");
    f.AddField("AmountAccount", Kind::kQuantity, "fix.Amount").SetCaption("Sold quantity");
    f.AddField("Price", Kind::kAmount, std::string(kPrice)).SetCaption("Purchase price");
    f.AddField("Summa", Kind::kAmount, std::string(kSumma)).SetCaption("Sum owed");
    f.AddField("CurrencyCode", Kind::kCode, "DocInc.CurrencyCode").SetCaption("Currency");
    f.AddField("PRSFDate", Kind::kDate, "DocOut.DocumentDate").SetCaption("Sale date");
    f.AddField("PRSFNumber", Kind::kText, "DocOut.Number").SetCaption("Sale invoice");
    f.AddField("PISFDate", Kind::kDate, "DocInc.DocumentDate").SetCaption("Purchase date");
    f.AddField("PISFNumber", Kind::kText, "DocInc.Number").SetCaption("Purchase invoice");
    f.AddField("NeedPayDate", Kind::kDate, std::string(kNeedPayDate)).SetCaption("Due date");
    // Sales in date order, the goods of one sale and purchase together; the fixation row
    // keeps two fixations of one good apart in a fixed order.
    list->OrderBy("DocOut.DocumentDate, DocOut.Number, DocInc.DocumentDate, DocInc.Number, gsInc.Goodcode, Fix.IDC");
    return list;
}

std::shared_ptr<DataList> CSalesBySupplImpl::SupplOnSale(const std::string& supplCode, bool isSupplGroup,
                                                         std::optional<Date> begDate, Date endDate,
                                                         const std::vector<long>& invoices,
                                                         const std::string& fixCategories) const
{
    auto list = FixationBase(supplCode, isSupplGroup, begDate, endDate);
    if (!fixCategories.empty())
        list->SetFilter(SqlTools::AndFilter(
            list->Filter(), SqlTools::CondByName("Fix.FixCategory", Kind::kCode, Op::kInList, Value(fixCategories))));
    std::string ids;
    for (long id : invoices)
        ids += (ids.empty() ? "" : ",") + std::to_string(id);
    // No invoice asked for: no row, rather than every invoice.
    list->SetFilter(SqlTools::AndFilter(list->Filter(), ids.empty() ? "1 = 0" : "DocInc.IDC in (" + ids + ")"));
    auto& f = list->Fields();
    f.AddField("PISFIdc", Kind::kId, "DocInc.IDC");
    f.AddField("PRSFIdc", Kind::kId, "DocOut.IDC");
    f.AddField("DocTypeCode", Kind::kCode, "DocOut.DocTypeCode");
    f.AddField("PRSFNumber", Kind::kText, "DocOut.Number");
    f.AddField("PRSFDate", Kind::kDate, "DocOut.DocumentDate");
    f.AddField("GoodCode", Kind::kCode, "gsInc.Goodcode");
    f.AddField("AmountAccount", Kind::kQuantity, "fix.Amount");
    f.AddField("Summa", Kind::kAmount, std::string(kSumma));
    f.AddField("ClntCode", Kind::kCode, "Client.Code");
    f.AddField("ClntName", Kind::kText, "Client.Name");
    f.AddField("NeedPayDate", Kind::kDate, std::string(kNeedPayDate));
    list->OrderBy("DocInc.IDC, DocOut.DocumentDate, DocOut.IDC, Fix.IDC");
    return list;
}

std::shared_ptr<DataList> CSalesBySupplImpl::SupplPayOnSale(const std::string& supplCode, bool isSupplGroup,
                                                            Date endDate) const
{
    Talvex::Book& book = BookChecked();
    auto list = Bare(book, "THDocumentPayTermExt");
    list->SetAlias("InDoc");
    // The debt as it stands today: what the arrangement is still to collect.
    list->Params().Item("PayToDate").SetValue(Value(book.Today()));
    auto add = Bare(book, "THDocumentPISF");
    const bool hasFlag = book.CreateList("THDocumentPISF")->Fields().ExistsField("IsPayOnSell");
    list->Join(add, "DocIncAdd", "InDoc.IDC = DocIncAdd.DocId", hasFlag ? 0 : 1);
    list->Join(Bare(book, "THPartyAttribute"), "parInc", "InDoc.IDC = parInc.DocID AND parInc.RolePartyCode = 'PAR'");
    list->Join(Bare(book, "REFClient"), "Client", "ParInc.PartyCode = Client.Code");
    list->Join(Bare(book, "REFClientMarketGr"), "ClntMGr", "Client.MarketGrCode = ClntMGr.Code", 1);
    std::string filter =
        "InDoc.DocTypeCode = 'PISF' AND InDoc.IsPosted = 1 AND InDoc.DocumentDate <= " + DateLiteral(endDate);
    if (hasFlag) filter += " AND DocIncAdd.IsPayOnSell = 1";
    list->SetFilter(filter);
    RestrictSupplier(*list, "parInc.PartyCode", supplCode, isSupplGroup);
    auto& f = list->Fields();
    f.AddField("PISFIdc", Kind::kId, "InDoc.IDC");
    f.AddField("PISFNumber", Kind::kText, "InDoc.Number");
    f.AddField("PISFDate", Kind::kDate, "InDoc.DocumentDate");
    f.AddField("DocSumma", Kind::kAmount, "InDoc.DocSumma");
    f.AddField("CurrencyCode", Kind::kCode, "InDoc.CurrencyCode");
    f.AddField("TermId", Kind::kId, "InDoc.TermId");
    f.AddField("TermSumma", Kind::kAmount, "InDoc.Summa");
    f.AddField("DebtSumma", Kind::kAmount, "InDoc.DebtSumma");
    f.AddField("PayToDate", Kind::kDate, "InDoc.NeedPayDate");
    f.AddField("PayTerm", Kind::kInteger, "COALESCE(ClntMGr.PayTerm, 0)");
    f.AddField("ClntCode", Kind::kCode, "Client.Code");
    f.AddField("ClntName", Kind::kText, "Client.Name");
    list->OrderBy("Client.Code, InDoc.DocumentDate, InDoc.IDC, InDoc.NeedPayDate, InDoc.TermId");
    return list;
}

} // namespace Quarn_DuzAde
