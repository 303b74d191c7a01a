#pragma once

#include "store/Database.h"
#include "store/StandingQueries.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace vorbel::test {

/// A fresh database in a temporary folder with the six standing queries opened.
class StoreFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        openStore();
    }

    void openStore()
    {
        m_queries.reset();
        m_db.reset();
        auto opened = Database::open(m_dir.filePath(QStringLiteral("vorbelmd.dat")));
        ASSERT_TRUE(std::holds_alternative<std::unique_ptr<Database>>(opened));
        m_db = std::move(std::get<std::unique_ptr<Database>>(opened));
        m_queries = std::make_unique<StandingQueries>(*m_db);
    }

    QTemporaryDir m_dir;
    std::unique_ptr<Database> m_db;
    std::unique_ptr<StandingQueries> m_queries;
};

} // namespace vorbel::test
