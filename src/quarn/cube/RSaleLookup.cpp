#include "quarn/cube/RSaleLookup.hpp"

#include "host/data/Recordset.hpp"
#include "host/objects/Book.hpp"
#include "host/objects/DataList.hpp"

#include <algorithm>
#include <cctype>

namespace Quarn_DuzAde {

namespace {

std::string Upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

} // namespace

void RSaleLookup::Load(Talvex::Book& book, const std::string& table)
{
    auto list = book.CreateList(table);
    list->Fields().SelectFields({"Code", "Name"});
    list->Refresh();
    auto rs = list->Recordset();
    names_.clear();
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
        Talvex::Value code = rs->Fields().Item("Code").Value();
        if (code.IsNull()) continue;
        Talvex::Value name = rs->Fields().Item("Name").Value();
        names_[Upper(code.ToText())] = name.IsNull() ? std::string() : name.ToText();
    }
}

std::string RSaleLookup::Text(const std::string& key, const std::string& separator) const
{
    std::string code = key;
    if (!separator.empty()) {
        if (auto at = key.find(separator); at != std::string::npos) code = key.substr(0, at);
    }
    auto found = names_.find(Upper(code));
    if (found == names_.end()) return key;
    return code + separator + found->second;
}

} // namespace Quarn_DuzAde
