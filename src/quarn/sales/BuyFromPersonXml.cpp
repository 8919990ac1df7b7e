#include "quarn/sales/BuyFromPersonXml.hpp"

#include <pugixml.hpp>

#include <algorithm>
#include <sstream>

namespace Quarn_DuzAde {

namespace {

constexpr const char* kFormDefId = "{507D5BA5-9B16-4C58-96F0-E6AB18C4ED0B}";
constexpr const char* kFormLocation = ".\\fr0471(4).mxfd";
// The income kind the form gives to goods bought from persons.
constexpr const char* kIncomeKind = "13";

std::string WithoutBlanks(std::string text)
{
    std::erase(text, ' ');
    return text;
}

void AddField(pugi::xml_node fields, const std::string& name, const std::string& value)
{
    pugi::xml_node field = fields.append_child("Field");
    field.append_attribute("Name").set_value(name.c_str());
    if (!value.empty()) field.text().set(value.c_str());
}

pugi::xml_node StartPage(pugi::xml_node pages, int pageNumber, const Fr0471Header& header)
{
    const bool first = pageNumber == 1;
    pugi::xml_node page = pages.append_child("Page");
    page.append_attribute("PageDefName").set_value(first ? "FR0471" : "FR0471P");
    page.append_attribute("PageNumber").set_value(pageNumber);
    pugi::xml_node fields = page.append_child("Fields");
    fields.append_attribute("Count").set_value(0);
    AddField(fields, "B_FormNr", "");
    AddField(fields, "B_FormVerNr", "");
    if (!first) AddField(fields, "LapoNr", "");
    AddField(fields, "B_MM_ID", header.companyCode);
    if (first) {
        AddField(fields, "B_MM_Pavad", header.companyName);
        AddField(fields, "B_MM_Adresas", header.address);
        AddField(fields, "B_MM_Epastas", WithoutBlanks(header.email));
        AddField(fields, "B_MM_Tel", WithoutBlanks(header.phone));
        AddField(fields, "B_MM_Faksas", WithoutBlanks(header.fax));
    }
    AddField(fields, "B_ML_Metai", std::to_string(header.today.Year()));
    AddField(fields, "B_UzpildData", header.today.ToIso());
    return fields;
}

void AddRow(pugi::xml_node fields, const BuyFromPersonTotal& row, std::size_t running, std::size_t onPage,
            bool firstPage)
{
    const std::string p = firstPage ? "E" : "P";
    const std::string n = "-" + std::to_string(onPage);
    AddField(fields, p + "11" + n, std::to_string(running));
    AddField(fields, p + "12" + n, row.plantCode);
    AddField(fields, p + "13" + n, row.name);
    AddField(fields, p + "14" + n, kIncomeKind);
    AddField(fields, p + "15" + n, Fr0471Amount(row.summa));
    AddField(fields, p + "16" + n, "");
    AddField(fields, p + "24" + n, std::to_string(row.isIncomeTill));
    AddField(fields, p + "25" + n, "");
    AddField(fields, p + "26" + n, "");
}

} // namespace

std::string Fr0471Amount(Talvex::Currency sum)
{
    std::string text = sum.RoundHalfAwayFromZero(2).ToFixed(2);
    std::replace(text.begin(), text.end(), '.', ',');
    return text;
}

std::string Fr0471Document(const std::vector<BuyFromPersonTotal>& rows, const Fr0471Header& header)
{
    pugi::xml_document doc;
    pugi::xml_node declaration = doc.append_child(pugi::node_declaration);
    declaration.append_attribute("version").set_value("1.0");
    declaration.append_attribute("encoding").set_value("UTF-8");

    pugi::xml_node root = doc.append_child("FFData");
    root.append_attribute("Version").set_value("1");
    root.append_attribute("CreatedByApp").set_value(header.createdByApp.c_str());
    root.append_attribute("CreatedByLogin").set_value(header.createdByLogin.c_str());
    root.append_attribute("CreatedOn").set_value(header.today.ToIso().c_str());
    pugi::xml_node form = root.append_child("Form");
    form.append_attribute("FormDefId").set_value(kFormDefId);
    form.append_attribute("FormLocation").set_value(kFormLocation);
    pugi::xml_node pages = form.append_child("Pages");
    pages.append_attribute("Count").set_value(0);

    int pageCount = 0;
    std::size_t onPage = 0;
    std::size_t pageRows = 0;
    pugi::xml_node fields;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (pageCount == 0 || onPage == pageRows) {
            ++pageCount;
            fields = StartPage(pages, pageCount, header);
            onPage = 0;
            pageRows = pageCount == 1 ? kFr0471FirstPageRows : kFr0471FurtherPageRows;
        }
        ++onPage;
        AddRow(fields, rows[i], i + 1, onPage, pageCount == 1);
    }

    pages.attribute("Count").set_value(pageCount);
    for (pugi::xpath_node node : doc.select_nodes("FFData/Form/Pages/Page/Fields")) {
        const auto children = node.node().children("Field");
        node.node().attribute("Count").set_value(
            static_cast<long long>(std::distance(children.begin(), children.end())));
    }
    std::ostringstream out;
    doc.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
    return out.str();
}

} // namespace Quarn_DuzAde
