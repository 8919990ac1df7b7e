#include "quarn/query/CRSaleSupport.hpp"

#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/objects/GoodsContent.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"
#include "quarn/frame/Startup.hpp"

#include <iterator>
#include <utility>
#include <vector>

namespace Quarn_DuzAde {

using namespace Talvex;

namespace {

constexpr long kSellerUnknownText = 29200;

// The columns of a sale document every part of a content list carries, in this order
// (the parts are united, so they must agree).
const std::vector<std::string> kDocumentColumns = {"IDC",          "DocTypeCode", "Number",     "DocumentDate",
                                                   "CurrencyCode", "Author",      "Department", "ParentID"};

} // namespace

void CRSaleSupport::Init(std::shared_ptr<Book> book)
{
    if (!book) throw ValueError("CRSaleSupport.Init: no Book");
    book_ = std::move(book);
}

Book& CRSaleSupport::RequireBook() const
{
    if (!book_) throw ValueError("CRSaleSupport: Init was not called");
    return *book_;
}

std::shared_ptr<DataList> CRSaleSupport::DocumentList(const std::string& docType, Date begDate, Date endDate)
{
    auto documents = RequireBook().CreateList("THDocument");
    FieldList& fields = documents->Fields();
    documents->SetFilter(SqlTools::CombineConds(
        CombineMode::kAnd,
        {documents->Filter(),
         SqlTools::CondByField(fields.Item("DocumentDate"), SqlOperator::kBetween, Value(begDate), Value(endDate)),
         SqlTools::CondByField(fields.Item("IsPosted"), SqlOperator::kEqual, Value(1)),
         SqlTools::CondByField(fields.Item("DocTypeCode"), SqlOperator::kEqual, Value(docType))}));
    // The document's id comes along: every caller joins on it.
    fields.SelectFields(kDocumentColumns);
    return documents;
}

std::shared_ptr<DataList> CRSaleSupport::CrBaseDocAndSpec(const std::string& docType, Date begDate, Date endDate,
                                                          const std::string& gSpecAlias)
{
    auto documents = DocumentList(docType, begDate, endDate);
    auto goodsRows = RequireBook().CreateList("THGoodSpec");
    goodsRows->Fields().SelectFields({});
    goodsRows->SetAlias(gSpecAlias);
    documents->Join(goodsRows, gSpecAlias, "oTable.IDC = " + gSpecAlias + ".DocID", 0, 0);
    documents->Fields().AddField("PosNumb", FieldType::kId, gSpecAlias + ".PosNumb");
    return documents;
}

std::string CRSaleSupport::ConsignSel(const std::string& gcAlias)
{
    if (!GoodsContent::DocTypeInUse(RequireBook(), "POSF")) return {};
    auto link = book_->CreateList("THGoodContent");
    link->SetAlias("CGc");
    link->SetFilter("CGc.LinkKindCode = 'PN' AND " + gcAlias + ".CorSpecId = CGc.SpecId");
    link->Fields().SelectFields({});
    auto delivery = book_->CreateList("THGoodSpec");
    delivery->Fields().SelectFields({});
    link->Join(delivery, "PRS_Sp", "CGc.CorSpecId = PRS_Sp.IDC", 0, 0);
    link->Fields().AddField("PRSDocId", FieldType::kPosition, "PRS_Sp.DocId");
    link->OrderBy("CGc.IDC");
    return "(" + link->SqlText() + " )";
}

std::shared_ptr<DataList> CRSaleSupport::CrDocLstByContent(const std::string& docType, Date begDate, Date endDate)
{
    Book& book = RequireBook();

    // Content part: each vertical link of a position, with the document it comes from. A
    // position without links has no row here (the join is inner): the remainder part lists
    // it once, whole, and an outer join would list it a second time without amounts.
    auto linked = CrBaseDocAndSpec(docType, begDate, endDate, "GSpec");
    auto content = GoodsContent::ContentList(book_);
    content->SetFilter("oTable.IsVertical=1");
    content->Fields().SelectFields({});
    linked->Join(content, "GC", "GSpec.IDC = GC.SpecID", 0, 0);
    GoodsContent::JoinContentSources(*linked, "GC", "Spec", "CorDoc", 1);
    linked->Fields().AddField("SpecID", FieldType::kPosition, "GSpec.IDC");
    linked->Fields().AddField("AmountAccount", FieldType::kQuantity, "GC.AmountAccount");
    linked->Fields().AddField("CorDocID", FieldType::kPosition, "CorDoc.IDC");
    // Only invoices can come from a consignment delivery; the other types carry null so
    // that the parts of the union agree.
    std::string consign = docType == "PRSF" ? ConsignSel("GC") : std::string();
    // A typed null: when neither part has a delivery the united column must still be a
    // number, since the parent join compares it with document ids.
    linked->Fields().AddField("ConsCorDocId", FieldType::kPosition, consign.empty() ? "CAST(null AS int)" : consign);

    // Remainder part: what no link covers. The linked amounts of the positions are summed
    // once, by position, and joined for the remainder's expression alone, so that the parts
    // of the union keep the same columns.
    auto linkedSums = GoodsContent::ContentList(book_);
    linkedSums->SetFilter("oTable.IsVertical = 1");
    linkedSums->Fields().SelectFields({"SpecID"});
    linkedSums->Fields()
        .AddField("LinkedAmount", FieldType::kQuantity, "oTable.AmountAccount")
        .SetAggregate(Talvex::Aggregate::kSum);
    auto rest = CrBaseDocAndSpec(docType, begDate, endDate, "GSpec");
    rest->JoinForConditions(linkedSums, "GCSum", "GCSum.SpecID = GSpec.IDC", 1);
    rest->Fields().AddField("SpecID", FieldType::kPosition, "GSpec.IDC");
    Field& restAmount = rest->Fields().AddField("AmountAccount", FieldType::kQuantity,
                                                "GSpec.AmountAccount - ISNULL(GCSum.LinkedAmount,0)");
    rest->Fields().AddField("CorDocID", FieldType::kPosition, "0");
    rest->Fields().AddField("ConsCorDocId", FieldType::kPosition, "null");
    rest->SetFilter(
        SqlTools::AndFilter(rest->Filter(), SqlTools::CondByField(restAmount, SqlOperator::kGreater, Value(0))));

    linked->Union(rest, "DocFR", true);
    auto positions = book.CreateList("");
    positions->SetSource(linked, "oTable", 0);
    auto goods = book.CreateList("THGoodSpec");
    goods->Fields().SelectFields({});
    // The goods line by its own key: the planner then knows it meets one line per position,
    // where the document and position number, as two conditions, let it expect a fraction.
    positions->Join(goods, "gs", "oTable.SpecID = gs.IDC", 0, 0);
    return positions;
}

std::shared_ptr<DataList> CRSaleSupport::CrSalePartList(const std::string& docType, Date begDate, Date endDate)
{
    Book& book = RequireBook();
    auto parts = book.CreateList("THSalePart");
    FieldList& fields = parts->Fields();
    parts->SetFilter(SqlTools::CombineConds(
        CombineMode::kAnd,
        {SqlTools::CondByField(fields.Item("DocumentDate"), SqlOperator::kBetween, Value(begDate), Value(endDate)),
         SqlTools::CondByField(fields.Item("DocTypeCode"), SqlOperator::kEqual, Value(docType))}));
    fields.SelectFields({});
    // The columns of the content list under its names, then the goods line's own.
    const std::pair<const char*, const char*> columns[] = {
        {"IDC", "DocID"},           {"DocTypeCode", "DocTypeCode"},      {"Number", "Number"},
        {"DocumentDate", "DocumentDate"}, {"CurrencyCode", "CurrencyCode"}, {"Author", "Author"},
        {"Department", "Department"}, {"ParentID", "ParentID"},          {"PosNumb", "PosNumb"},
        {"SpecID", "SpecID"},       {"AmountAccount", "PartAmount"},     {"CorDocID", "CorDocID"},
        {"GoodCode", "GoodCode"},   {"LineAmountAccount", "AmountAccount"}, {"LineSumma", "Summa"},
        {"LineCostSumm", "CostSumm"}, {"SummVAT", "SummVAT"},             {"AddDiscountSumm", "AddDiscountSumm"},
        {"PartNet", "PartNet"},     {"PartNetWithDiscount", "PartNetWithDiscount"}, {"PartCost", "PartCost"}};
    // The types are the table's, read before any column is given a new expression.
    std::vector<FieldType> types;
    for (const auto& [name, column] : columns)
        types.push_back(fields.Item(column).TypeCode());
    for (std::size_t i = 0; i < std::size(columns); ++i)
        fields.AddField(columns[i].first, types[i], std::string("oTable.") + columns[i].second);
    // The consignment delivery only while consignment is in use, as the content list has it.
    const bool consign = docType == "PRSF" && GoodsContent::DocTypeInUse(book, "POSF");
    fields.AddField("ConsCorDocId", FieldType::kPosition, consign ? "oTable.ConsCorDocID" : "CAST(null AS int)");
    auto positions = book.CreateList("");
    positions->SetSource(parts, "oTable", 0);
    return positions;
}

void CRSaleSupport::JoinParentDoc(DataList& document, const std::string& docType)
{
    Book& book = RequireBook();
    if (docType != "PRSF") {
        auto parentAdd = book.CreateList("THDocumentPRSF");
        parentAdd->Fields().SelectFields({});
        document.Join(parentAdd, "PrntAdd", "oTable.ParentID = PrntAdd.DocID", 1, 0);
    }
    auto parent = book.CreateList("THDocument");
    parent->Fields().SelectFields({});
    document.Join(parent, "Prnt", "COALESCE( oTable.ConsCorDocId, oTable.CorDocId) = Prnt.IDC", 1, 0);
    auto grandParent = book.CreateDocList("THDocument");
    grandParent->Fields().SelectFields({});
    // An invoice has no grandparent: its join never matches.
    document.Join(grandParent, "PPDoc", docType != "PRSF" ? "Prnt.ParentID = PPDoc.IDC" : "PPDoc.IDC = 0", 1, 0);
}

void CRSaleSupport::JoinSellerInfo(DataList& document, const std::string& fldName, const std::string& /*docType*/)
{
    auto person = RequireBook().CreateList("RefPerson");
    person->Fields().SelectFields({});
    document.Join(person, "Prs", "COALESCE(PPDoc.Author, Prnt.Author, oTable.Author) = Prs.UserID", 1, 0);
    if (fldName.empty()) return;
    document.Fields().AddField(fldName, FieldType::kLongText, SellerText("Cl.IsSubsidiary", "Cl.Code + ':' + Cl.Name"));
}

std::string CRSaleSupport::SellerText(const std::string& isSubsidiary, const std::string& clientText)
{
    std::string unknown = SqlTools::Literal(FieldType::kText, Value(ModuleFormRes().GetString(kSellerUnknownText)));
    return " ISNULL(CASE WHEN " + isSubsidiary + " = 1 THEN " + clientText +
           "  ELSE Prs.Code + ':' + ISNULL(Prs.LastName,'')  END," + unknown + ")";
}

} // namespace Quarn_DuzAde
