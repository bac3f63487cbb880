#pragma once

#include <QString>
#include <QVector>

// The permission tree of the users screen, kept apart from its widget: one
// node per menu command in menu order, keyed by the command's name.
namespace permtree {

struct MenuEntry
{
    QString name;
    QString caption;
    bool windowList = false; // the window-list menu ends the tree
};

struct Node
{
    QString key;
    QString text;
    int parent = -1; // index of the parent node, -1 for a root
    bool checked = false;
};

// Two-character names are roots; a name of 3 to 9 characters hangs under the
// node keyed by its name without the last character (skipped when there is
// none); separators ("-") and other lengths are skipped; the walk stops at the
// window list. Texts are the captions without "&".
QVector<Node> build(const QVector<MenuEntry> &menu);

// Checks or unchecks node `index` and propagates: the whole branch follows,
// checking checks the parent (and its parent), unchecking the last checked
// child unchecks the parent (and so on up one more level).
void setChecked(QVector<Node> &nodes, int index, bool checked);

// Checks each node whose key followed by "*" occurs in `permission`.
void applyPermission(QVector<Node> &nodes, const QString &permission);

// The keys of the checked nodes in tree order, each followed by "*".
QString permissionString(const QVector<Node> &nodes);

} // namespace permtree
