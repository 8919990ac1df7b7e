#include "host/data/Connection.hpp"
#include "host/erp/documents/THDocumentObject.hpp"
#include "host/objects/Book.hpp"
#include "support/TestDatabase.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

using Talvex::Date;
using Talvex::Value;
using Talvex::Erp::THDocumentObject;

namespace {

// A document type no other test writes, so that its numbers are this test's alone.
constexpr const char* kType = "ZNUM";

std::int64_t One(Talvex::Data::Connection& db, const std::string& sql, const std::vector<Value>& params = {})
{
    return db.QueryPostgres(sql, params).rows.at(0).at(0).ToInteger();
}

void RemoveTestDocuments(Talvex::Data::Connection& db)
{
    db.QueryPostgres("DELETE FROM THDocument WHERE DocTypeCode = 'ZNUM'");
    db.QueryPostgres("DELETE FROM THDocNumberIssued WHERE DocTypeCode = 'ZNUM'");
}

// Writes one document of the type in the session's open unit; returns its number.
std::string WriteDocument(const std::shared_ptr<Talvex::Book>& book)
{
    THDocumentObject doc(book);
    doc.New(kType);
    doc.Fields("DocumentDate") = Date(2026, 6, 1);
    doc.Save();
    return doc.Fields("Number").ToText();
}

} // namespace

// Two sessions write a document of the same type at the same moment, without any lock of
// their own. The first holds its unit open until the second has either written its document
// (it did not wait: the numbers would collide) or is waiting on the database for the first.
TEST(DocumentNumbers, TwoSessionsWritingOneTypeAtOnceNeverShareANumber)
{
    auto watcher = Talvex::Testing::OpenDemoDatabase();
    RemoveTestDocuments(watcher);
    auto first = Talvex::Testing::OpenDemoBook("first-writer");
    auto second = Talvex::Testing::OpenDemoBook("second-writer");
    const auto secondPid = One(second->Db(), "SELECT pg_backend_pid()");

    std::mutex mutex;
    std::condition_variable changed;
    bool firstWritten = false;
    std::atomic<bool> secondDone = false;
    std::string firstNumber;
    std::string secondNumber;

    std::string secondError;
    std::thread secondWriter([&] {
        {
            std::unique_lock lock(mutex);
            changed.wait(lock, [&] { return firstWritten; });
        }
        try {
            Talvex::Data::Transaction unit(second->Db());
            secondNumber = WriteDocument(second);
            unit.Commit();
        } catch (const std::exception& e) {
            secondError = e.what();
        }
        secondDone = true;
    });

    std::string firstError;
    try {
        Talvex::Data::Transaction unit(first->Db());
        firstNumber = WriteDocument(first);
        {
            std::lock_guard lock(mutex);
            firstWritten = true;
        }
        changed.notify_all();
        // The second session has written, or it waits on a lock the first holds.
        while (!secondDone &&
               One(watcher, "SELECT count(*) FROM pg_locks WHERE pid = $1 AND NOT granted", {Value(secondPid)}) == 0)
            std::this_thread::yield();
        unit.Commit();
    } catch (const std::exception& e) {
        firstError = e.what();
    }
    {
        // Never leave the second writer waiting for a first that failed.
        std::lock_guard lock(mutex);
        firstWritten = true;
    }
    changed.notify_all();
    secondWriter.join();
    ASSERT_EQ(firstError, "");
    ASSERT_EQ(secondError, "");

    EXPECT_EQ(firstNumber, "ZNUM-2026-000001");
    EXPECT_EQ(secondNumber, "ZNUM-2026-000002");
    EXPECT_EQ(One(watcher, "SELECT count(DISTINCT Number) FROM THDocument WHERE DocTypeCode = 'ZNUM'"), 2);

    // A unit that rolls back gives its number back: the next writer takes it, and no gap
    // opens in the series.
    {
        Talvex::Data::Transaction unit(first->Db());
        EXPECT_EQ(WriteDocument(first), "ZNUM-2026-000003");
    }
    {
        Talvex::Data::Transaction unit(second->Db());
        EXPECT_EQ(WriteDocument(second), "ZNUM-2026-000003");
    }
    RemoveTestDocuments(watcher);
}
