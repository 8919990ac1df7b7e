#include "quarn/cube/CubeParamInput.hpp"

#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/SqlTools.hpp"
#include "host/types/Errors.hpp"
#include "host/ui/Form.hpp"
#include "quarn/frame/PeriodLimit.hpp"

#include <algorithm>

namespace Quarn_DuzAde::CubeParamInput {

using Talvex::FieldList;
using FieldType = Talvex::FieldType;
using Talvex::SqlTools;
using Talvex::Value;

namespace {

constexpr long kSelectList = 1;
constexpr long kSelectOne = 3;

std::string Trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// "N'C1',N'C2'" -> "C1,C2"; a doubled quote inside a literal is one quote of the code.
std::string BareCodes(const std::string& list)
{
    std::string bare;
    bool inLiteral = false;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const char c = list[i];
        if (!inLiteral) {
            if (c == '\'')
                inLiteral = true;
            else if (c == ',')
                bare += ',';
            continue;
        }
        if (c == '\'') {
            if (i + 1 < list.size() && list[i + 1] == '\'') {
                bare += '\'';
                ++i;
            } else {
                inLiteral = false;
            }
            continue;
        }
        bare += c;
    }
    return bare;
}

} // namespace

std::string Text(const FieldList& params, const char* name)
{
    if (!params.ExistsField(name)) return {};
    const Value& v = params.Item(name).GetValue();
    return v.IsNull() || v.IsEmpty() ? std::string() : v.ToText();
}

bool Flag(const FieldList& params, const char* name)
{
    if (!params.ExistsField(name)) return false;
    const Value& v = params.Item(name).GetValue();
    if (v.IsNull() || v.IsEmpty()) return false;
    try {
        return v.ToInteger() == 1;
    } catch (const Talvex::ValueError&) {
        return false;
    }
}

std::shared_ptr<Talvex::Book> BookOf(const FieldList& params)
{
    if (!params.ExistsField("Book")) return nullptr;
    return std::dynamic_pointer_cast<Talvex::Book>(params.Item("Book").GetValue().ToObject());
}

void CheckPeriod(const Talvex::Ui::Form& form, const char* begBox, const char* endBox)
{
    const Value& beg = form.Ctl(begBox).GetValue();
    const Value& end = form.Ctl(endBox).GetValue();
    if (!beg.IsDate()) throw Talvex::ValueError(std::string(begBox) + ": the period needs a start date");
    if (!end.IsDate()) throw Talvex::ValueError(std::string(endBox) + ": the period needs an end date");
    if (end.ToDate() < beg.ToDate())
        throw Talvex::ValueError(std::string(endBox) + ": the period ends (" + end.ToDate().ToIso() +
                                 ") before it starts (" + beg.ToDate().ToIso() + ")");
    if (const std::string tooLong = PeriodTooLong(endBox, beg.ToDate(), end.ToDate()); !tooLong.empty())
        throw Talvex::ValueError(tooLong);
}

std::vector<std::string> Codes(const std::string& text)
{
    const std::string plain = text;
    std::vector<std::string> codes;
    std::size_t start = 0;
    while (start <= plain.size()) {
        const std::size_t comma = plain.find(',', start);
        std::string code = Trimmed(plain.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (!code.empty()) codes.push_back(std::move(code));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return codes;
}

std::vector<std::string> SelectedCodes(const std::string& list)
{
    const std::string trimmed = Trimmed(list);
    const bool literals = trimmed.rfind("N'", 0) == 0 || trimmed.rfind("'", 0) == 0;
    return literals ? Codes(BareCodes(trimmed)) : Codes(trimmed);
}

void CheckCodesExist(Talvex::Book& book, const std::string& table, const std::vector<std::string>& codes,
                     const char* control, const std::string& what)
{
    if (codes.empty()) return;
    std::string list;
    for (const auto& code : codes)
        list += (list.empty() ? "" : ",") + SqlTools::Literal(FieldType::kCode, Value(code));
    auto rows = book.CreateList(table);
    rows->Fields().SelectFields({"Code"});
    rows->SetFilter(SqlTools::CondByName("oTable.Code", FieldType::kCode, Talvex::SqlOperator::kInList, Value(list)));
    rows->Refresh();
    std::vector<std::string> found;
    auto rs = rows->Recordset();
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext())
        found.push_back(rs->Fields().Item("Code").Value().ToText());
    for (const auto& code : codes) {
        if (std::find(found.begin(), found.end(), code) == found.end())
            throw Talvex::ValueError(std::string(control) + ": there is no " + what + " with the code '" + code + "'");
    }
}

long GoodIsGroup(Talvex::Book& book, const std::string& code, const char* control)
{
    auto goods = book.CreateList("REFGood");
    goods->Fields().SelectFields({"Code", "IsGroup"});
    goods->SetFilter(SqlTools::CondByField(goods->Fields().Item("Code"), Talvex::SqlOperator::kEqual, Value(code)));
    goods->Refresh();
    auto rs = goods->Recordset();
    if (rs->RecordCount() == 0)
        throw Talvex::ValueError(std::string(control) + ": there is no good or goods group with the code '" + code +
                                 "'");
    rs->MoveFirst();
    return rs->Fields().Item("IsGroup").Value().ToInteger() == 1 ? 1 : 0;
}

void PutClientSelection(FieldList& params, const std::vector<std::string>& codes, const char* listName,
                        const char* typeName)
{
    std::string list;
    long type = 0;
    if (codes.size() == 1) {
        list = codes.front();
        type = kSelectOne;
    } else if (codes.size() > 1) {
        for (const auto& code : codes)
            list += (list.empty() ? "" : ",") + SqlTools::Literal(FieldType::kCode, Value(code));
        type = kSelectList;
    }
    params.Add(listName, FieldType::kLongText, Value(list));
    params.Add(typeName, FieldType::kInteger, Value(type));
}

} // namespace Quarn_DuzAde::CubeParamInput
