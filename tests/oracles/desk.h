#pragma once

#include <QString>

// The desk's pick and status summary in their plain form, each a pass over
// the whole grievance table. The indexed statements that replaced them must
// return the same rows (tests) and be faster (benchmarks).
namespace oracles {

QString deskPick(const QString &level, const QString &heldList);
QString deskStatus(const QString &level, const QString &user);

} // namespace oracles
