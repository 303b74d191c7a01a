#include "testing/StoreFixture.h"

#include "codec/FieldCipher.h"
#include "platform/PageText.h"
#include "session/AppState.h"
#include "session/Startup.h"
#include "session/UserBootstrap.h"
#include "session/VersionNotice.h"

using namespace vorbel;
using vorbel::test::StoreFixture;

namespace {

class StartupTest : public StoreFixture
{
protected:
    SettingsOutcome start()
    {
        openStandingQueries(*m_queries);
        emptyPreviousResults(*m_queries);
        return readOrCreateSettings(*m_queries, m_state);
    }

    void storeSettings(std::initializer_list<std::pair<const char*, QString>> values)
    {
        StandingQuery& settings = m_queries->qry2;
        settings.first();
        settings.edit();
        for (const auto& [field, value] : values)
            settings.setValue(QString::fromLatin1(field), encipherSetting(value));
        settings.post();
    }

    /// Writes texts into the settings row as they are, not enciphered.
    void storeRaw(std::initializer_list<std::pair<const char*, QString>> values)
    {
        StandingQuery& settings = m_queries->qry2;
        settings.first();
        settings.edit();
        for (const auto& [field, value] : values)
            settings.setValue(QString::fromLatin1(field), value);
        settings.post();
    }

    QString stored(const char* field)
    {
        m_queries->qry2.first();
        return m_queries->qry2.value(QString::fromLatin1(field)).toString();
    }

    AppState m_state;
};

TEST_F(StartupTest, FirstRunCreatesOneSettingsRowAndAsksForBothPages)
{
    const SettingsOutcome outcome = start();
    EXPECT_EQ(m_queries->qry2.recordCount(), 1);
    EXPECT_EQ(m_state.ProgramVersion, QStringLiteral("10"));
    EXPECT_EQ(outcome.title, QStringLiteral(" Vorbel V1.0"));
    EXPECT_TRUE(outcome.requestIdentity);
    EXPECT_TRUE(outcome.requestVersion);
    EXPECT_TRUE(m_queries->qry2.value(QStringLiteral("u")).toString().isEmpty());

    // A second start reads the same row instead of adding one.
    openStore();
    start();
    EXPECT_EQ(m_queries->qry2.recordCount(), 1);
}

TEST_F(StartupTest, IdentityWithoutLinkCodesAsksForTheVersionPageOnly)
{
    start();
    storeSettings({{"u", QStringLiteral("U42")}, {"p", QStringLiteral("kzvtq")}});
    openStore();
    const SettingsOutcome outcome = start();
    EXPECT_FALSE(outcome.requestIdentity);
    EXPECT_TRUE(outcome.requestVersion);
    EXPECT_EQ(m_state.UserId, QStringLiteral("U42"));
    EXPECT_EQ(m_state.UserPassword, QStringLiteral("kzvtq"));
}

TEST_F(StartupTest, CompleteRowAsksForNothingAndDeciphersTheCodes)
{
    start();
    storeSettings({{"u", QStringLiteral("U42")},
                   {"p", QStringLiteral("kzvtq")},
                   {"a", QStringLiteral("mm_1_2")},
                   {"b", QStringLiteral("77")}});
    openStore();
    const SettingsOutcome outcome = start();
    EXPECT_FALSE(outcome.requestIdentity);
    EXPECT_FALSE(outcome.requestVersion);
    EXPECT_EQ(m_state.LinkCodeA, QStringLiteral("mm_1_2"));
    EXPECT_EQ(m_state.LinkCodeB, QStringLiteral("77"));
}

TEST_F(StartupTest, PreviousResultsAreEmptiedAndFavouritesStay)
{
    start();
    m_queries->qry1.execSql(QStringLiteral("insert into cxnr (bh, cxrq, cpmc) values (1, 2, 'x')"));
    m_queries->qry1.execSql(QStringLiteral("insert into scnr (ufid, cpmc) values ('9', 'kept')"));
    openStore();
    start();
    EXPECT_EQ(m_queries->ADOQuery2.recordCount(), 0);
    EXPECT_EQ(m_queries->ADOQuery3.recordCount(), 1);
}

TEST_F(StartupTest, VersionThatIsNotTwoCharactersKeepsThePlainTitle)
{
    EXPECT_EQ(versionTitle(QStringLiteral("10")), QStringLiteral(" Vorbel V1.0"));
    EXPECT_EQ(versionTitle(QStringLiteral("123")), QStringLiteral(" Vorbel"));
    EXPECT_EQ(versionTitle(QString()), QStringLiteral(" Vorbel"));
}

TEST_F(StartupTest, ValuesThatNoLongerDecipherAreRepairedOnceAndAskedForAgain)
{
    start();
    storeSettings({{"u", QStringLiteral("U42")},
                   {"p", QStringLiteral("kzvtq")},
                   {"a", QStringLiteral("mm_1_2")},
                   {"b", QStringLiteral("77")}});
    storeRaw({{"ver", QStringLiteral("zz")}, {"u", QStringLiteral("not cipher text")}});
    openStore();
    SettingsOutcome outcome;
    ASSERT_NO_THROW(outcome = start());
    EXPECT_TRUE(outcome.repaired);
    EXPECT_TRUE(outcome.requestIdentity);
    EXPECT_FALSE(outcome.requestVersion);
    EXPECT_EQ(outcome.title, QStringLiteral(" Vorbel V1.0"));
    EXPECT_EQ(m_state.ProgramVersion, QStringLiteral("10"));
    EXPECT_TRUE(m_state.UserId.isEmpty());
    EXPECT_EQ(m_state.LinkCodeA, QStringLiteral("mm_1_2"));
    EXPECT_EQ(stored("ver"), QString::fromLatin1(InitialVersionCipher));
    EXPECT_TRUE(stored("u").isEmpty());
    EXPECT_TRUE(stored("p").isEmpty());

    // The row is sound again: the next start only asks for the identity it still lacks.
    openStore();
    ASSERT_NO_THROW(outcome = start());
    EXPECT_FALSE(outcome.repaired);
    EXPECT_TRUE(outcome.requestIdentity);
    EXPECT_FALSE(outcome.requestVersion);

    // A link code that no longer deciphers clears both codes and keeps the identity.
    storeSettings({{"u", QStringLiteral("U43")}, {"p", QStringLiteral("kzvtq")}});
    storeRaw({{"b", QStringLiteral("7")}});
    openStore();
    m_state = AppState();
    ASSERT_NO_THROW(outcome = start());
    EXPECT_TRUE(outcome.repaired);
    EXPECT_FALSE(outcome.requestIdentity);
    EXPECT_TRUE(outcome.requestVersion);
    EXPECT_EQ(m_state.UserId, QStringLiteral("U43"));
    EXPECT_TRUE(m_state.LinkCodeA.isEmpty());
    EXPECT_TRUE(stored("a").isEmpty());
    EXPECT_TRUE(stored("b").isEmpty());
}

TEST_F(StartupTest, IdentityStoredEmptyIsAskedForAgain)
{
    start();
    ASSERT_FALSE(encipherSetting(QString()).isEmpty());
    storeSettings({{"u", QString()}, {"p", QStringLiteral("kzvtq")}});
    openStore();
    const SettingsOutcome outcome = start();
    EXPECT_TRUE(outcome.requestIdentity);
    EXPECT_FALSE(outcome.repaired);
    EXPECT_TRUE(stored("u").isEmpty());

    const PageText page = PageText::fromLines({QStringLiteral("<BODY>U7")});
    EXPECT_TRUE(applyUserBootstrap(page, m_queries->qry2, m_state));
    EXPECT_EQ(m_state.UserId, QStringLiteral("U7"));
}

class BootstrapTest : public StartupTest
{
protected:
    void SetUp() override
    {
        StartupTest::SetUp();
        start();
    }
};

TEST_F(BootstrapTest, IdentityIsStoredTrimmedAndEnciphered)
{
    const PageText page =
        PageText::fromLines({QStringLiteral("<HTML><HEAD></HEAD>"), QStringLiteral("<BODY>  U123456 \t"),
                             QStringLiteral("</BODY></HTML>")});
    EXPECT_TRUE(applyUserBootstrap(page, m_queries->qry2, m_state));
    EXPECT_EQ(m_state.UserId, QStringLiteral("U123456"));
    EXPECT_EQ(m_state.UserPassword, QStringLiteral("kzvtq"));
    const QString stored = m_queries->qry2.value(QStringLiteral("u")).toString();
    EXPECT_NE(stored, QStringLiteral("U123456"));
    EXPECT_EQ(decipherSetting(stored), QStringLiteral("U123456"));
}

TEST_F(BootstrapTest, BodyLineOnTheFifthLineIsIgnored)
{
    const PageText page = PageText::fromLines(
        {QStringLiteral("<HTML>"), QString(), QString(), QString(), QStringLiteral("<BODY>U5")});
    EXPECT_FALSE(applyUserBootstrap(page, m_queries->qry2, m_state));
    EXPECT_TRUE(m_state.UserId.isEmpty());
}

TEST_F(BootstrapTest, FirstQualifyingLineWinsAndPresentIdentityIsKept)
{
    const PageText page =
        PageText::fromLines({QStringLiteral("<BODY>first"), QStringLiteral("<BODY>second")});
    applyUserBootstrap(page, m_queries->qry2, m_state);
    EXPECT_EQ(m_state.UserId, QStringLiteral("first"));
    const PageText later = PageText::fromLines({QStringLiteral("<BODY>other")});
    EXPECT_FALSE(applyUserBootstrap(later, m_queries->qry2, m_state));
    EXPECT_EQ(m_state.UserId, QStringLiteral("first"));
}

TEST_F(BootstrapTest, BareBodyLineStoresNoIdentity)
{
    const PageText bare = PageText::fromLines({QStringLiteral("<HTML>"), QStringLiteral("<BODY> \t")});
    EXPECT_FALSE(applyUserBootstrap(bare, m_queries->qry2, m_state));
    EXPECT_TRUE(m_state.UserId.isEmpty());
    m_queries->qry2.first();
    EXPECT_TRUE(m_queries->qry2.value(QStringLiteral("u")).toString().isEmpty());

    // A later line of the same page that does carry one is taken.
    const PageText later = PageText::fromLines({QStringLiteral("<BODY>"), QStringLiteral("<BODY>U8")});
    EXPECT_TRUE(applyUserBootstrap(later, m_queries->qry2, m_state));
    EXPECT_EQ(m_state.UserId, QStringLiteral("U8"));
}

TEST_F(BootstrapTest, NothingHappensOnceASearchHasRun)
{
    m_state.BeforeFirstSearch = false;
    EXPECT_FALSE(
        applyUserBootstrap(PageText::fromLines({QStringLiteral("<BODY>U1")}), m_queries->qry2, m_state));
}

TEST(VersionCodes, AreCutBetweenTheMarkers)
{
    const VersionCodes codes = cutVersionCodes(QStringLiteral("AAA=mm_1_2BBB=77CCC="));
    EXPECT_EQ(codes.a, QStringLiteral("mm_1_2"));
    EXPECT_EQ(codes.b, QStringLiteral("77"));
    EXPECT_EQ(cutVersionCodes(QStringLiteral("xxAAA=mm_9")).a, QString());
    EXPECT_EQ(cutVersionCodes(QStringLiteral("AAA=aBBB=b")).b, QString());
    EXPECT_EQ(cutVersionCodes(QStringLiteral("AAA= x BBB=1CCC=")).a, QStringLiteral(" x "));
}

TEST_F(BootstrapTest, VersionNoticeStoresTheFirstLineTrimmed)
{
    const PageText page = PageText::fromLines(
        {QStringLiteral("<BODY>"), QStringLiteral("AAA= x BBB= 77 CCC="), QStringLiteral("AAA=yBBB=8CCC=")});
    EXPECT_TRUE(applyVersionNotice(page, m_queries->qry2, m_state));
    EXPECT_EQ(m_state.LinkCodeA, QStringLiteral("x"));
    EXPECT_EQ(m_state.LinkCodeB, QStringLiteral("77"));
    m_queries->qry2.first();
    EXPECT_EQ(decipherSetting(m_queries->qry2.value(QStringLiteral("a")).toString()), QStringLiteral("x"));
}

TEST_F(BootstrapTest, PageWithoutNoticeLineStoresNothing)
{
    EXPECT_FALSE(
        applyVersionNotice(PageText::fromLines({QStringLiteral("<BODY>404")}), m_queries->qry2, m_state));
    EXPECT_TRUE(m_queries->qry2.value(QStringLiteral("a")).toString().isEmpty());
}

} // namespace
