#pragma once

#include "host/objects/Book.hpp"
#include "host/objects/ClientApp.hpp"
#include "host/objects/FieldList.hpp"
#include "support/ScriptedUser.hpp"

#include <functional>
#include <memory>
#include <string>

namespace Talvex::Testing {

// A report run by its Run, as the host runs it visually, under a scripted user who answers its
// question: the Book in its parameters (and what addParams puts beside it), the result in out.
template <class Report> struct ReportRun {
    ReportRun(std::shared_ptr<Book> book, const std::string& answers,
              const std::function<void(FieldList&)>& addParams = {})
        : user(answers)
    {
        in.Add("Book", FieldType::kObject, Value(std::shared_ptr<Object>(book)));
        if (addParams) addParams(in);
        report.SetVisual(true);
        ok = report.Run(in, out);
    }
    ScriptedUser user;
    ClientApp app{user.Session()};
    ClientApp::Scope appScope{app};
    FieldList in;
    FieldList out;
    Report report;
    bool ok = false;
};

} // namespace Talvex::Testing
