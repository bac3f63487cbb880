#include "core/admin/permtree.h"

#include <gtest/gtest.h>

namespace {

using permtree::MenuEntry;

// The main window's menu in its order, as the users screen walks it.
QVector<MenuEntry> mainMenu()
{
    QVector<MenuEntry> m;
    const char *items[][2] = {{"N1", "&Masters"},
                              {"N11", "&College"},
                              {"N2", "&Transactions"},
                              {"N21", "Receive Query"},
                              {"N22", "&Import Student Basic Data"},
                              {"N24", "&Import Student Basic Data (Excel)"},
                              {"N23", "&Change Degree"},
                              {"N25", "&Reg. No. Generation"},
                              {"N3", "&Reports"},
                              {"N31", "&Exam Centres with Tagged Colleges"},
                              {"N4", "&Utilities"},
                              {"N41", "&Control"},
                              {"N42", "&Password"},
                              {"N43", "&Security"},
                              {"N44", "&Reset Locked Users"}};
    for (const auto &i : items)
        m.push_back({QString::fromLatin1(i[0]), QString::fromLatin1(i[1]), false});
    m.push_back({QStringLiteral("NWindow"), QStringLiteral("&Window"), true});
    m.push_back({QStringLiteral("mnuFilemain"), QStringLiteral("&Help"), false});
    m.push_back({QStringLiteral("mnuhlpsearch"), QStringLiteral("Help Search"), false});
    return m;
}

int at(const QVector<permtree::Node> &nodes, const char *key)
{
    for (int i = 0; i < nodes.size(); ++i)
        if (nodes[i].key == QLatin1String(key))
            return i;
    return -1;
}

TEST(PermissionTree, builtFromTheMenuUpToTheWindowList)
{
    QVector<MenuEntry> menu = mainMenu();
    menu.insert(3, {QStringLiteral("MMM1"), QStringLiteral("-"), false});
    menu.insert(3, {QStringLiteral("N9X"), QStringLiteral("orphan"), false}); // no N9 root
    const auto nodes = permtree::build(menu);
    ASSERT_EQ(nodes.size(), 15);
    EXPECT_EQ(nodes[0].key, QStringLiteral("N1"));
    EXPECT_EQ(nodes[1].text, QStringLiteral("College"));
    EXPECT_EQ(nodes[1].parent, 0);
    EXPECT_EQ(at(nodes, "mnuFilemain"), -1);
    EXPECT_EQ(at(nodes, "N9X"), -1);
    EXPECT_EQ(nodes[at(nodes, "N24")].text, QStringLiteral("Import Student Basic Data (Excel)"));
}

TEST(PermissionTree, checkPropagation)
{
    auto nodes = permtree::build(mainMenu());
    // A root takes its whole branch with it.
    permtree::setChecked(nodes, at(nodes, "N2"), true);
    EXPECT_EQ(permtree::permissionString(nodes), QStringLiteral("N2*N21*N22*N24*N23*N25*"));
    permtree::setChecked(nodes, at(nodes, "N2"), false);
    EXPECT_EQ(permtree::permissionString(nodes), QString());

    // Checking an item checks its root, so the root is always saved with it.
    permtree::setChecked(nodes, at(nodes, "N42"), true);
    permtree::setChecked(nodes, at(nodes, "N21"), true);
    EXPECT_EQ(permtree::permissionString(nodes), QStringLiteral("N2*N21*N4*N42*"));

    // Unchecking one of two leaves keeps the root; unchecking the last unchecks it.
    permtree::setChecked(nodes, at(nodes, "N43"), true);
    permtree::setChecked(nodes, at(nodes, "N42"), false);
    EXPECT_TRUE(nodes[at(nodes, "N4")].checked);
    permtree::setChecked(nodes, at(nodes, "N43"), false);
    EXPECT_FALSE(nodes[at(nodes, "N4")].checked);
    EXPECT_EQ(permtree::permissionString(nodes), QStringLiteral("N2*N21*"));
}

TEST(PermissionTree, staleKeysDisappearAtTheNextSave)
{
    auto nodes = permtree::build(mainMenu());
    permtree::applyPermission(nodes, QStringLiteral("N2*N21*N26*N99*N4*N43*"));
    EXPECT_EQ(permtree::permissionString(nodes), QStringLiteral("N2*N21*N4*N43*"));
    // Only whole keys count: "N2" alone does not check N21 and "N4*" is needed for the root.
    permtree::applyPermission(nodes, QStringLiteral("N21*"));
    EXPECT_FALSE(nodes[at(nodes, "N2")].checked);
    EXPECT_TRUE(nodes[at(nodes, "N21")].checked);
}

} // namespace
