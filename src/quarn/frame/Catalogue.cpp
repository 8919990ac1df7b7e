#include "quarn/frame/Catalogue.hpp"

#include "host/objects/FieldList.hpp"
#include "host/types/Errors.hpp"
#include "quarn/frame/ClassRegistry.hpp"
#include "quarn/frame/IReportExec.hpp"
#include "quarn/frame/ReportError.hpp"

namespace Quarn_DuzAde {
namespace {

// A public class whose reports are not available in this build: every entry tells the
// user so through the host's error display and produces nothing, so the host never fails.
class UnavailableClass : public Talvex::Object, public ReportExecBase, public IMainEntry {
public:
    explicit UnavailableClass(std::string name) : name_(std::move(name)) {}

    bool Run(Talvex::FieldList&, Talvex::FieldList&) override
    {
        try {
            Refuse();
        } catch (...) {
            ReportError();
        }
        return false;
    }

    void Main(Talvex::FieldList&) override
    {
        try {
            Refuse();
        } catch (...) {
            ReportError();
        }
    }

private:
    [[noreturn]] void Refuse() const
    {
        throw Talvex::ValueError(std::string(kLibraryName) + "." + name_ + " is not available in this version");
    }
    std::string name_;
};

} // namespace

const std::vector<CatalogueEntry>& CatalogueTable()
{
    static const std::vector<CatalogueEntry> entries = {
#include "quarn/frame/CatalogueTable.inc"
    };
    return entries;
}

const std::vector<CatalogueEntry>& Catalogue()
{
    static const std::vector<CatalogueEntry> entries = [] {
        std::vector<CatalogueEntry> list = CatalogueTable();
        for (auto& e : list)
            e.built = Registry().Find(e.name) != nullptr;
        return list;
    }();
    return entries;
}

std::shared_ptr<Talvex::Object> CreateObject(std::string_view progId)
{
    std::string_view name = progId;
    std::string prefix = std::string(kLibraryName) + ".";
    if (name.size() > prefix.size() && Talvex::EqualsIgnoreCase(name.substr(0, prefix.size()), prefix))
        name.remove_prefix(prefix.size());
    for (const auto& entry : Catalogue()) {
        if (!Talvex::EqualsIgnoreCase(entry.name, name)) continue;
        if (const auto* factory = Registry().Find(entry.name)) return (*factory)();
        return std::make_shared<UnavailableClass>(entry.name);
    }
    throw Talvex::ValueError("The library " + std::string(kLibraryName) + " has no class '" + std::string(progId) +
                             "'");
}

} // namespace Quarn_DuzAde
