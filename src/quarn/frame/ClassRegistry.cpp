#include "quarn/frame/ClassRegistry.hpp"

#include "host/types/Errors.hpp"
#include "quarn/frame/Catalogue.hpp"

#include <algorithm>

namespace Quarn_DuzAde {

namespace {

bool Listed(std::string_view name)
{
    // The catalogue's table, not Catalogue(), which itself asks the registry what is built.
    return std::any_of(CatalogueTable().begin(), CatalogueTable().end(),
                       [&](const CatalogueEntry& e) { return e.name == name; });
}

} // namespace

void ClassRegistry::Add(std::string_view subsystem, std::string_view name, Factory factory)
{
    if (!Listed(name))
        throw Talvex::ValueError("ClassRegistry: the subsystem \"" + std::string(subsystem) + "\" registers \"" +
                                 std::string(name) + "\", which the catalogue does not list");
    if (auto it = entries_.find(name); it != entries_.end())
        throw Talvex::ValueError("ClassRegistry: \"" + std::string(name) + "\" is registered by \"" +
                                 it->second.subsystem + "\" and again by \"" + std::string(subsystem) + "\"");
    if (!factory) throw Talvex::ValueError("ClassRegistry: \"" + std::string(name) + "\" has no factory");
    entries_.emplace(std::string(name), Entry{std::string(subsystem), std::move(factory)});
}

const ClassRegistry::Factory* ClassRegistry::Find(std::string_view name) const
{
    auto it = entries_.find(name);
    return it == entries_.end() ? nullptr : &it->second.factory;
}

std::string ClassRegistry::SubsystemOf(std::string_view name) const
{
    auto it = entries_.find(name);
    return it == entries_.end() ? std::string() : it->second.subsystem;
}

const ClassRegistry& Registry()
{
    static const ClassRegistry registry = [] {
        ClassRegistry r;
        RegisterFrameClasses(r);
        RegisterDebtClasses(r);
        RegisterSettlementClasses(r);
        RegisterCubeClasses(r);
        RegisterCostClasses(r);
        RegisterLedgerClasses(r);
        RegisterSalesClasses(r);
        return r;
    }();
    return registry;
}

} // namespace Quarn_DuzAde
