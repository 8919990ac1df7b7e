#include "quarn/frame/DefineModule.hpp"

#include "host/data/QuoteText.hpp"
#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/ClientApp.hpp"
#include "host/objects/ClientTools.hpp"
#include "host/objects/DataList.hpp"
#include "host/objects/FieldList.hpp"
#include "host/objects/FormRes.hpp"
#include "host/types/Errors.hpp"
#include "quarn/frame/ReportError.hpp"
#include "quarn/frame/Startup.hpp"

#include <clocale>
#include <ctime>

namespace Quarn_DuzAde {

using namespace Talvex;

std::shared_ptr<Book> GetBook(const FieldList* inParams, bool storeInContext)
{
    std::shared_ptr<Book> book;
    if (inParams && inParams->ExistsField("Book")) {
        const Value& value = inParams->Item("Book").GetValue();
        if (value.IsObject()) book = std::dynamic_pointer_cast<Book>(value.ToObject());
    }
    ClientApp* app = ClientApp::TryCurrent();
    if ((!book || book->Name().empty()) && app && app->Context().GetBook()) book = app->Context().GetBook();
    if (!book) throw ModuleError(kVbObjectError, FormatMsg(ModuleFormRes().GetString(842), {Value("")}));
    if (storeInContext && app && !app->Context().GetBook()) app->Context().SetBook(book);
    return book;
}

std::string FormatMsg(std::string_view messageTemplate, const std::vector<Value>& args)
{
    std::string text(messageTemplate);
    if (text.empty()) return text;
    for (std::size_t i = args.size(); i-- > 0;) {
        std::string placeholder = "%" + std::to_string(i);
        std::string replacement = args[i].IsNull() ? std::string() : args[i].ToText();
        std::size_t pos = 0;
        while ((pos = text.find(placeholder, pos)) != std::string::npos) {
            text.replace(pos, placeholder.size(), replacement);
            pos += replacement.size();
        }
    }
    return text;
}

std::string QuoteList(std::string_view list, std::string_view delimiter)
{
    if (list.empty()) return {};
    if (delimiter.empty()) return Data::QuoteByDoubling(list, '\'');
    std::string result;
    std::size_t start = 0;
    while (true) {
        std::size_t next = list.find(delimiter, start);
        std::string_view piece =
            list.substr(start, next == std::string_view::npos ? std::string_view::npos : next - start);
        result += std::string(delimiter) + Data::QuoteByDoubling(piece, '\'');
        if (next == std::string_view::npos) break;
        start = next + delimiter.size();
    }
    if (result.compare(0, delimiter.size(), delimiter) == 0) result.erase(0, delimiter.size());
    return result;
}

std::string JoinText(std::string_view separator, std::string_view text, std::string_view item,
                     std::string_view separator2, std::string_view item2)
{
    std::string result;
    if (item.empty())
        result = text;
    else if (!text.empty())
        result = std::string(text) + std::string(separator) + " " + std::string(item);
    else
        result = item;
    if (!item2.empty())
        result = result.empty() ? std::string(item2) : result + std::string(separator2) + " " + std::string(item2);
    return result;
}

std::string DateSeparatorOf(std::string_view probe, bool first)
{
    std::string_view a = first ? "10" : "11";
    std::string_view b = first ? "11" : "12";
    std::size_t posA = probe.find(a);
    std::size_t posB = probe.find(b, posA == std::string_view::npos ? 0 : posA + a.size());
    if (posA == std::string_view::npos || posB == std::string_view::npos || posB <= posA + a.size()) return {};
    std::size_t start = posA + a.size();
    std::size_t stop = posB - 1;
    if (start == stop) return std::string(1, probe[start]);
    return std::string{probe[start], probe[stop]};
}

std::string DateSeparator(bool first)
{
    // The probe date 2010-11-12 written in the locale's short date form.
    std::tm probe{};
    probe.tm_year = 110;
    probe.tm_mon = 10;
    probe.tm_mday = 12;
    char buf[64];
    std::size_t n = std::strftime(buf, sizeof buf, "%x", &probe);
    std::string text(buf, n);
    // The C locale writes 11/12/10: order it as year, month, day for the search.
    if (text == "11/12/10") text = "2010/11/12";
    return DateSeparatorOf(text, first);
}

Currency RsAggregate(const Data::Recordset& rs, const Value& fieldKey, long mode, std::string_view filter)
{
    auto clone = rs.Clone();
    if (filter.empty() || filter == "0")
        clone->SetFilter("");
    else
        clone->SetFilter(std::string(filter));
    if (mode == 1) return Currency::FromInteger(clone->RecordCount());
    Currency result;
    if (mode != 4 && mode != 5 && mode != 6) return result;
    bool first = true;
    for (clone->MoveFirst(); !clone->Eof(); clone->MoveNext()) {
        Value v = fieldKey.IsText() ? clone->Fields().Item(fieldKey.ToText()).Value()
                                    : clone->Fields().Item(static_cast<std::size_t>(fieldKey.ToInteger())).Value();
        if (v.IsNull()) throw ValueError("RsAggregate: the column holds a null value");
        Currency value = v.ToCurrency();
        if (mode == 4)
            result += value;
        else if (first || (mode == 5 ? value > result : value < result))
            result = value;
        first = false;
    }
    return result;
}

bool AddUnique(std::vector<Value>& values, const Value& value)
{
    for (const auto& v : values)
        if (v == value) return true;
    values.push_back(value);
    return false;
}

long SafeUBound(const std::vector<Value>& values)
{
    return static_cast<long>(values.size()) - 1;
}

std::shared_ptr<DataList> WithoutColumns(std::shared_ptr<DataList> list)
{
    list->Fields().SelectFields({});
    return list;
}

std::shared_ptr<DataList> NestList(const std::shared_ptr<DataList>& list, const std::string& alias, int sourceFlag,
                                   std::shared_ptr<Book>& book, bool copyCaptions)
{
    if (!book) book = GetBook(nullptr, false);
    auto nested = book->CreateList("");
    nested->SetSource(list, alias, sourceFlag);
    if (copyCaptions)
        for (const auto& f : list->Fields())
            if (nested->Fields().ExistsField(f->Name())) nested->Fields().Item(f->Name()).SetCaption(f->Caption());
    return nested;
}

std::string StripSuffix(std::string_view text, std::string_view suffix)
{
    if (suffix.size() <= text.size() && text.substr(text.size() - suffix.size()) == suffix)
        return std::string(text.substr(0, text.size() - suffix.size()));
    return std::string(text);
}

std::shared_ptr<Object> CloneObject(const std::shared_ptr<Object>& object)
{
    if (auto rs = std::dynamic_pointer_cast<Data::Recordset>(object)) return rs->Copy();
    throw ValueError("CloneObject: the object cannot be copied");
}

void RefreshWithWait(DataList& list, long& ownerHwnd)
{
    try {
        std::shared_ptr<Object> wait;
        if (ClientApp* app = ClientApp::TryCurrent()) {
            if (ownerHwnd < 0) ownerHwnd = app->Context().MainFormHwnd();
            wait = ClientTools::CreateObject("Quarn_Common.CWaitInfo", 0);
            static_cast<CommonWaitInfo&>(*wait).Show(ModuleFormRes().GetString(22170), ownerHwnd);
        }
        list.Refresh();
    } catch (...) {
        ReportError();
    }
}

} // namespace Quarn_DuzAde
