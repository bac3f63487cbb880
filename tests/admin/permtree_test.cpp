#include "core/admin/permtree.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

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
    m.push_back({u"NWindow"_s, u"&Window"_s, true});
    m.push_back({u"mnuFilemain"_s, u"&Help"_s, false});
    m.push_back({u"mnuhlpsearch"_s, u"Help Search"_s, false});
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
    menu.insert(3, {u"MMM1"_s, u"-"_s, false});
    menu.insert(3, {u"N9X"_s, u"orphan"_s, false}); // no N9 root
    const auto nodes = permtree::build(menu);
    ASSERT_EQ(nodes.size(), 15);
    EXPECT_EQ(nodes[0].key, u"N1"_s);
    EXPECT_EQ(nodes[1].text, u"College"_s);
    EXPECT_EQ(nodes[1].parent, 0);
    EXPECT_EQ(at(nodes, "mnuFilemain"), -1);
    EXPECT_EQ(at(nodes, "N9X"), -1);
    EXPECT_EQ(nodes[at(nodes, "N24")].text, u"Import Student Basic Data (Excel)"_s);
}

TEST(PermissionTree, checkPropagation)
{
    auto nodes = permtree::build(mainMenu());
    // A root takes its whole branch with it.
    permtree::setChecked(nodes, at(nodes, "N2"), true);
    EXPECT_EQ(permtree::permissionString(nodes), u"N2*N21*N22*N24*N23*N25*"_s);
    permtree::setChecked(nodes, at(nodes, "N2"), false);
    EXPECT_EQ(permtree::permissionString(nodes), QString());

    // Checking an item checks its root, so the root is always saved with it.
    permtree::setChecked(nodes, at(nodes, "N42"), true);
    permtree::setChecked(nodes, at(nodes, "N21"), true);
    EXPECT_EQ(permtree::permissionString(nodes), u"N2*N21*N4*N42*"_s);

    // Unchecking one of two leaves keeps the root; unchecking the last unchecks it.
    permtree::setChecked(nodes, at(nodes, "N43"), true);
    permtree::setChecked(nodes, at(nodes, "N42"), false);
    EXPECT_TRUE(nodes[at(nodes, "N4")].checked);
    permtree::setChecked(nodes, at(nodes, "N43"), false);
    EXPECT_FALSE(nodes[at(nodes, "N4")].checked);
    EXPECT_EQ(permtree::permissionString(nodes), u"N2*N21*"_s);
}

TEST(PermissionTree, staleKeysDisappearAtTheNextSave)
{
    auto nodes = permtree::build(mainMenu());
    permtree::applyPermission(nodes, u"N2*N21*N26*N99*N4*N43*"_s);
    EXPECT_EQ(permtree::permissionString(nodes), u"N2*N21*N4*N43*"_s);
    // Only whole keys count: "N2" alone does not check N21 and "N4*" is needed for the root.
    permtree::applyPermission(nodes, u"N21*"_s);
    EXPECT_FALSE(nodes[at(nodes, "N2")].checked);
    EXPECT_TRUE(nodes[at(nodes, "N21")].checked);
}

} // namespace
