#include "core/admin/permtree.h"

#include <functional>

namespace permtree {

namespace {
int indexOf(const QVector<Node> &nodes, const QString &key)
{
    for (int i = 0; i < nodes.size(); ++i)
        if (nodes[i].key == key)
            return i;
    return -1;
}

bool anyChildChecked(const QVector<Node> &nodes, int parent)
{
    for (const Node &n : nodes)
        if (n.parent == parent && n.checked)
            return true;
    return false;
}
} // namespace

QVector<Node> build(const QVector<MenuEntry> &menu)
{
    QVector<Node> nodes;
    for (const MenuEntry &e : menu) {
        if (e.windowList)
            break;
        if (e.caption == QLatin1String("-"))
            continue;
        const int n = int(e.name.size());
        Node node{e.name, QString(e.caption).remove(QLatin1Char('&')), -1, false};
        if (n == 2) {
            nodes.push_back(node);
        } else if (n >= 3 && n <= 9) {
            node.parent = indexOf(nodes, e.name.left(n - 1));
            if (node.parent >= 0)
                nodes.push_back(node);
        }
    }
    // Children are listed right after their parent (tree order), whatever the
    // menu order was.
    QVector<Node> ordered;
    QVector<int> newIndex(nodes.size(), -1);
    std::function<void(int)> visit = [&](int i) {
        newIndex[i] = int(ordered.size());
        Node copy = nodes[i];
        copy.parent = copy.parent >= 0 ? newIndex[copy.parent] : -1;
        ordered.push_back(copy);
        for (int j = 0; j < nodes.size(); ++j)
            if (nodes[j].parent == i)
                visit(j);
    };
    for (int i = 0; i < nodes.size(); ++i)
        if (nodes[i].parent < 0)
            visit(i);
    return ordered;
}

void setChecked(QVector<Node> &nodes, int index, bool checked)
{
    if (index < 0 || index >= nodes.size())
        return;
    nodes[index].checked = checked;
    const QString key = nodes[index].key;
    for (int i = index + 1; i < nodes.size(); ++i)
        if (nodes[i].key.startsWith(key))
            nodes[i].checked = checked;

    if (key.size() < 3)
        return;
    const int parent = nodes[index].parent;
    if (parent < 0)
        return;
    const int grandParent = nodes[parent].parent;
    if (checked) {
        nodes[parent].checked = true;
        if (nodes[parent].key.size() > 2 && grandParent >= 0)
            nodes[grandParent].checked = true;
    } else {
        if (!anyChildChecked(nodes, parent))
            nodes[parent].checked = false;
        if (nodes[parent].key.size() > 2 && grandParent >= 0 && !anyChildChecked(nodes, grandParent))
            nodes[grandParent].checked = false;
    }
}

void applyPermission(QVector<Node> &nodes, const QString &permission)
{
    for (Node &n : nodes)
        n.checked = permission.contains(n.key + QLatin1Char('*'));
}

QString permissionString(const QVector<Node> &nodes)
{
    QString out;
    for (const Node &n : nodes)
        if (n.checked)
            out += n.key + QLatin1Char('*');
    return out;
}

} // namespace permtree
