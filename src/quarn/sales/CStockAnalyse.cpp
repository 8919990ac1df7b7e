#include "quarn/sales/CStockAnalyse.hpp"

#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/MessageBox.hpp"
#include "host/ui/Session.hpp"
#include "quarn/frame/DefineModule.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/frame/ResultList.hpp"
#include "quarn/frame/Startup.hpp"
#include "quarn/sales/frmOrvStockAnalyse.hpp"

namespace Quarn_DuzAde {

using Talvex::FieldType;
using Talvex::Value;
using Talvex::Data::DataTypeEnum;

namespace {

constexpr long kNothingToShow = 28650;

// The goods group a stock row counts under: the good's group two levels up, else its
// parent, else the good itself.
constexpr const char* kGoodGroupName = "COALESCE(Good2.Code, Good1.Code, Good0.Code ) + ':' + "
                                       "COALESCE(Good2.Name, Good1.Name, Good0.Name )";

constexpr const char* kBandColumns[kStockAgeBandCount] = {"Sum90", "Sum180", "Sum360", "SumD"};

std::shared_ptr<Talvex::DataList> Bare(Talvex::Book& book, const std::string& table)
{
    auto list = book.CreateList(table);
    list->Fields().SelectFields({});
    return list;
}

// A flag counts as set when it is True or 1; a text that is neither is not set.
bool IsSet(const Talvex::FieldList& params, const char* name)
{
    if (!params.ExistsField(name)) return false;
    const Value& v = params.Item(name).GetValue();
    if (v.IsNull() || v.IsEmpty()) return false;
    try {
        return v.ToBool();
    } catch (const Talvex::ValueError&) {
        return false;
    }
}

} // namespace

std::vector<StockAgeLot> CStockAnalyse::FetchLots(Talvex::Book& book, Talvex::Date reportDate)
{
    auto list = book.CreateList("THGoodSpecNotFixed");
    list->Params().Item("DocumentDate").SetValue(Value(reportDate));
    list->Fields().SelectFields({"CostSumm"});
    list->Join(Bare(book, "THDocument"), "D", "oTable.DocId = D.IDC");
    list->Join(Bare(book, "REFGood"), "Good0", "Good0.Code = oTable.GoodCode", 1);
    list->Join(Bare(book, "REFGood"), "Good1", "Good1.Code = Good0.Parent", 1);
    list->Join(Bare(book, "REFGood"), "Good2", "Good2.Code = Good1.Parent", 1);
    list->Fields().AddField("GoodGroupName", FieldType::kText, kGoodGroupName);
    list->Fields().AddField("DocumentDate", FieldType::kDate, "D.DocumentDate");
    list->Refresh();

    auto rs = list->Recordset();
    auto at = [&](const char* name) { return rs->Fields().Item(name).Index(); };
    const std::size_t group = at("GoodGroupName"), date = at("DocumentDate"), cost = at("CostSumm");
    std::vector<StockAgeLot> lots;
    lots.reserve(rs->ViewRows().size());
    for (const std::size_t row : rs->ViewRows()) {
        const Value& name = rs->StoredValue(row, group);
        const Value& sum = rs->StoredValue(row, cost);
        lots.push_back({name.IsNull() ? std::string() : name.ToText(), rs->StoredValue(row, date).ToDate(),
                        sum.IsNull() ? Talvex::Currency() : sum.ToCurrency()});
    }
    return lots;
}

std::shared_ptr<Talvex::DataList> CStockAnalyse::ResultList(const std::shared_ptr<Talvex::Book>& book,
                                                            const std::vector<StockAgeRow>& rows)
{
    std::vector<ResultColumn> columns{{"GoodGroupName", DataTypeEnum::VarWChar, FieldType::kText}};
    for (const char* band : kBandColumns)
        columns.push_back({band, DataTypeEnum::Currency, FieldType::kAmount});
    ResultListBuilder result(book, columns);
    std::vector<Value> values(columns.size());
    for (const StockAgeRow& row : rows) {
        values[0] = Value(row.goodGroupName);
        for (std::size_t band = 0; band < kStockAgeBandCount; ++band)
            values[band + 1] = Value(row.sums[band]);
        result.AddRow(values);
    }
    return result.Finish();
}

std::shared_ptr<Talvex::DataList> CStockAnalyse::RestGoodByPeriod(Talvex::Date ReportDate) const
{
    if (!book_) throw Talvex::ValueError("CStockAnalyse.RestGoodByPeriod: no Book to read the stock from");
    return ResultList(book_, StockAgeByGroup(FetchLots(*book_, ReportDate), ReportDate));
}

bool CStockAnalyse::Run(Talvex::FieldList& inParams, Talvex::FieldList& outParams)
{
    try {
        book_ = GetBook(&inParams, false);
        // The parameters are declared on a list of their own and handed out only with a
        // result, so that a cancelled or refused run leaves the caller's list as it was.
        Talvex::FieldList declared;
        declared.Add("MyPlant", FieldType::kLongText);
        declared.Add("EndDate", FieldType::kDate,
                     inParams.ExistsField("EndDate") ? inParams.Item("EndDate").GetValue() : Value());
        if (Visual()) {
            if (IsSet(inParams, "IsMakeFixDoc"))
                throw Talvex::ValueError("CStockAnalyse: Cannot support good fixing by period");
            frmOrvStockAnalyse form;
            if (!form.Init(book_, declared)) return false;
        }
        const Value end = declared.Item("EndDate").GetValue();
        if (!end.IsDate()) throw Talvex::ValueError("EndDate: the report date is not given");
        auto list = RestGoodByPeriod(end.ToDate());
        if (list->Recordset()->RecordCount() == 0) {
            if (Talvex::Ui::Session* session = Talvex::Ui::Session::TryCurrent())
                Talvex::Ui::MessageBox(*session).Show(ModuleFormRes().GetString(kNothingToShow));
            return false;
        }
        outParams.Add("MyPlant", FieldType::kLongText, declared.Item("MyPlant").GetValue());
        outParams.Add("EndDate", FieldType::kDate, end);
        outParams.Add("DataList", FieldType::kObject, Value(std::shared_ptr<Talvex::Object>(list)));
        return true;
    } catch (...) {
        ReportError();
    }
    return false;
}

} // namespace Quarn_DuzAde
