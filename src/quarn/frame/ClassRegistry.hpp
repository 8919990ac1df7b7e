#pragma once

#include "host/types/Value.hpp"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace Quarn_DuzAde {

// The factories of the library's public classes, filled by each subsystem from its own
// folder (its <Folder>Classes.cpp), so that a new report is registered where it is written.
class ClassRegistry {
public:
    using Factory = std::function<std::shared_ptr<Talvex::Object>()>;

    // Registers a class of the catalogue. Throws Talvex::ValueError for a name the catalogue
    // does not list or one registered already: both are faults of the build, found at start.
    void Add(std::string_view subsystem, std::string_view name, Factory factory);

    template <class T> void Add(std::string_view subsystem, std::string_view name)
    {
        Add(subsystem, name, [] { return std::shared_ptr<Talvex::Object>(std::make_shared<T>()); });
    }

    // The factory of a class, or null when no subsystem built it.
    const Factory* Find(std::string_view name) const;
    // The folder that registered a class; empty when none did.
    std::string SubsystemOf(std::string_view name) const;

private:
    struct Entry {
        std::string subsystem;
        Factory factory;
    };
    std::map<std::string, Entry, std::less<>> entries_;
};

// The registry with every subsystem's classes, filled on first use.
const ClassRegistry& Registry();

// Each subsystem's registration (defined in its folder), called once by Registry().
void RegisterFrameClasses(ClassRegistry& registry);
void RegisterDebtClasses(ClassRegistry& registry);
void RegisterSettlementClasses(ClassRegistry& registry);
void RegisterCubeClasses(ClassRegistry& registry);
void RegisterCostClasses(ClassRegistry& registry);
void RegisterLedgerClasses(ClassRegistry& registry);
void RegisterSalesClasses(ClassRegistry& registry);

} // namespace Quarn_DuzAde
