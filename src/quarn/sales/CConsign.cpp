#include "quarn/sales/CConsign.hpp"

#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/RateJoin.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"
#include "quarn/query/CSelectByDoc.hpp"
#include "quarn/query/CSelectByRef.hpp"

#include <map>

namespace Quarn_DuzAde {

using Talvex::DataList;
using Talvex::Date;
using Talvex::Decimal;
using Talvex::SqlTools;
using Talvex::Value;
using Kind = Talvex::FieldType;
using Op = Talvex::SqlOperator;

namespace {

// The row's sum and quantity net of the returns to the vendor and of the discount documents.
constexpr const char* kNetSum = "(DSpec.Summa - ISNULL(Ret.Summa,0) - ISNULL(Dsc.Summa,0) + ISNULL(Dsc2.Summa,0))";
constexpr const char* kNetAmount =
    "(DSpec.AmountAccount - ISNULL(Ret.Amount,0) - ISNULL(Dsc.Amount,0) + ISNULL(Dsc2.Amount,0))";
constexpr long kSelectNode = 2;

std::shared_ptr<DataList> Bare(Talvex::Book& book, const std::string& table)
{
    auto list = book.CreateList(table);
    list->Fields().SelectFields({});
    return list;
}

Decimal DecimalOf(const Value& v)
{
    return v.IsNull() || v.IsEmpty() ? Decimal() : v.ToDecimal();
}

} // namespace

void CConsign::Init(std::shared_ptr<Talvex::Book> book)
{
    book_ = std::move(book);
}

Talvex::Book& CConsign::BookChecked() const
{
    if (!book_) throw Talvex::ValueError("CConsign: no Book (Init was not called)");
    return *book_;
}

std::shared_ptr<DataList> CConsign::RowSource(const std::string& docTypes, Date repDate, const std::string& marketGroup,
                                              const std::string& clientGr, const std::string& sFixCatList) const
{
    Talvex::Book& book = BookChecked();
    auto list = Bare(book, "THGoodSpec");
    list->SetAlias("DSpec");
    list->Join(Bare(book, "THDocument"), "Doc", "Doc.IDC = DSpec.DocID");
    list->Join(Bare(book, "THPartyAttribute"), "ClientByDoc",
               "Doc.IDC = ClientByDoc.DocID AND ClientByDoc.RolePartyCode = 'PAR'");
    list->Join(Bare(book, "REFClient"), "Vendor", "ClientByDoc.PartyCode = Vendor.Code");
    {
        // The good ("Good") and its accounting unit ("GUnit"): the rest is in accounting units.
        CSelectByRef byRef;
        byRef.InitBook(book_);
        byRef.GoodAccUnit(*list, "DSpec.GoodCode");
    }

    CSelectByDoc byDoc;
    byDoc.Init(book_);
    const std::string byRow = " AND DSpec.PosNumb = ";
    list->JoinForConditions(byDoc.RetOrderSum("PISF", "PGA", "GR", {}, repDate), "Ret",
                            "DSpec.DocID = Ret.DocID" + byRow + "Ret.PosNumb", 1);
    list->JoinForConditions(byDoc.DiscountSum("PISF", "PISD", "DC", {}, repDate), "Dsc",
                            "DSpec.DocID = Dsc.DocID" + byRow + "Dsc.PosNumb", 1);
    list->JoinForConditions(byDoc.DiscountSum("PISF", "BCN", "DC", {}, repDate), "Dsc2",
                            "DSpec.DocID = Dsc2.DocID" + byRow + "Dsc2.PosNumb", 1);
    // What went back to the vendor is in Ret already; the fixation counts what was sold or used.
    // Its own log goes by "Fix" inside it, so the result joins as "Fixed".
    list->JoinForConditions(byDoc.InGoodFixRezult(docTypes, "PGA", {}, repDate, sFixCatList), "Fixed",
                            "DSpec.DocID = Fixed.IDC" + byRow + "Fixed.PosNumb", 1);
    // A purchase with several terms is due by its last one.
    auto payTerms = book.CreateList("THDocumentPayTerm");
    payTerms->Fields().SelectFields({"DocID"});
    payTerms->Fields()
        .AddField("PayTerm", Kind::kInteger, "MAX(oTable.PayTerm)")
        .SetAggregate(Talvex::Aggregate::kGroupExpression);
    list->JoinForConditions(payTerms, "PayT", "Doc.IDC = PayT.DocID", 1);
    auto& f = list->Fields();
    f.AddField("DocCurrency", Kind::kCode, "Doc.CurrencyCode");
    f.AddField("DocumentDate", Kind::kDate, "Doc.DocumentDate");
    Talvex::RateJoin rates;
    rates.Init(book_, "Cros", "Rate");
    rates.JoinRates(*list, "DocumentDate", "DocCurrency");

    std::vector<std::string> conds{
        SqlTools::CondByName("Doc.DocTypeCode", Kind::kCode, Op::kInList, Value(docTypes)), "Doc.IsPosted = 1",
        SqlTools::CondByName("Doc.DocumentDate", Kind::kDate, Op::kNotGreater, Value(repDate))};
    if (!marketGroup.empty())
        conds.push_back(SqlTools::CondByName("Vendor.MarketGrCode", Kind::kCode, Op::kInList, Value(marketGroup)));
    if (!sFixCatList.empty())
        conds.push_back(SqlTools::CondByName("DSpec.FixCategory", Kind::kCode, Op::kInList, Value(sFixCatList)));
    list->SetFilter(SqlTools::CombineConds(Talvex::CombineMode::kAnd, conds));
    if (!clientGr.empty()) {
        CSelectByRef byRef;
        byRef.InitBook(book_);
        (void)byRef.FiltrByClients(*list, "ClientByDoc.PartyCode", clientGr, kSelectNode);
    }

    f.AddField("Client", Kind::kCode, "ClientByDoc.PartyCode");
    f.AddField("ClientName", Kind::kText, "Vendor.Name");
    f.AddField("GoodCode", Kind::kCode, "DSpec.GoodCode");
    f.AddField("GoodName", Kind::kText, "ISNULL(Good.Name, '')");
    f.AddField("UnitCode", Kind::kCode, "ISNULL(GUnit.UnitCode, DSpec.UnitCode)");
    f.AddField("NetSum", Kind::kAmount, rates.ConvertExpr("DocCurrency", kNetSum));
    f.AddField("NetAmount", Kind::kQuantity, kNetAmount);
    f.AddField("GrossAmount", Kind::kQuantity, "DSpec.AmountAccount");
    f.AddField("FixedAmount", Kind::kQuantity, "ISNULL(Fixed.Amount,0)");
    f.AddField("PayTerm", Kind::kInteger, "PayT.PayTerm");
    list->OrderBy("ClientByDoc.PartyCode, DSpec.GoodCode, DSpec.DocID, DSpec.PosNumb");
    return list;
}

std::vector<ConsignSourceRow> CConsign::ReadRows(const std::string& docTypes, Date repDate,
                                                 const std::string& marketGroup, const std::string& clientGr,
                                                 const std::string& sFixCatList) const
{
    auto list = RowSource(docTypes, repDate, marketGroup, clientGr, sFixCatList);
    list->Refresh();
    auto rs = list->Recordset();
    auto& f = rs->Fields();
    const auto at = [&](const char* name) { return f.Item(name).Index(); };
    const std::size_t client = at("Client"), good = at("GoodCode"), goodName = at("GoodName"), unit = at("UnitCode"),
                      netSum = at("NetSum"), netAmount = at("NetAmount"), gross = at("GrossAmount"),
                      fixed = at("FixedAmount"), payTerm = at("PayTerm"), date = at("DocumentDate");
    std::vector<ConsignSourceRow> rows;
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
        ConsignSourceRow row;
        row.client = f.Item(client).Value().ToText();
        row.goodCode = f.Item(good).Value().ToText();
        row.goodName = f.Item(goodName).Value().ToText();
        row.unitCode = f.Item(unit).Value().ToText();
        row.netSum = DecimalOf(f.Item(netSum).Value());
        row.netAmount = DecimalOf(f.Item(netAmount).Value());
        row.grossAmount = DecimalOf(f.Item(gross).Value());
        row.fixedAmount = DecimalOf(f.Item(fixed).Value());
        const Value term = f.Item(payTerm).Value();
        if (!term.IsNull() && !term.IsEmpty()) row.payTerm = static_cast<long>(term.ToInteger());
        row.docDate = f.Item(date).Value().ToDate();
        rows.push_back(std::move(row));
    }
    return rows;
}

std::shared_ptr<Talvex::Data::Recordset> CConsign::RestByVendor(Date repDate, const std::string& marketGroup,
                                                                const std::string& clientGr,
                                                                const std::string& sFixCatList) const
{
    const auto rest = RestByVendorFill(ReadRows("PISF", repDate, marketGroup, clientGr, sFixCatList), repDate);
    std::map<std::string, std::string> names;
    {
        auto clients = BookChecked().CreateList("REFClient");
        clients->Fields().SelectFields({"Code", "Name"});
        clients->Refresh();
        auto rs = clients->Recordset();
        for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext())
            names[rs->Fields().Item("Code").Value().ToText()] = rs->Fields().Item("Name").Value().ToText();
    }
    using Talvex::Data::DataTypeEnum;
    auto rs = std::make_shared<Talvex::Data::Recordset>();
    rs->Fields().Append("Code", DataTypeEnum::VarChar, 20);
    rs->Fields().Append("Name", DataTypeEnum::VarChar, 200);
    rs->Fields().Append("GoodCode", DataTypeEnum::VarChar, 30);
    rs->Fields().Append("GoodName", DataTypeEnum::VarChar, 200);
    rs->Fields().Append("UnitCode", DataTypeEnum::VarChar, 10);
    rs->Fields().Append("Rest", DataTypeEnum::Currency);
    rs->Fields().Append("RestAmount", DataTypeEnum::Numeric);
    rs->Fields().Append("RestForPayAmount", DataTypeEnum::Numeric);
    rs->Open();
    for (const auto& r : rest) {
        rs->AddNew();
        rs->Fields().Item("Code").SetValue(Value(r.client));
        rs->Fields().Item("Name").SetValue(Value(names[r.client]));
        rs->Fields().Item("GoodCode").SetValue(Value(r.goodCode));
        rs->Fields().Item("GoodName").SetValue(Value(r.goodName));
        rs->Fields().Item("UnitCode").SetValue(Value(r.unitCode));
        rs->Fields().Item("Rest").SetValue(Value(r.rest));
        // Quantities as written, without trailing zeros (20, 2.5), as the other reports show them.
        rs->Fields().Item("RestAmount").SetValue(Value(r.restAmount.Normalized()));
        rs->Fields().Item("RestForPayAmount").SetValue(Value(r.restForPayAmount.Normalized()));
        rs->Update();
    }
    if (rs->RecordCount() > 0) rs->MoveFirst();
    return rs;
}

} // namespace Quarn_DuzAde
