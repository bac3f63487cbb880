#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// Reply templates (masreply): named reply texts the administrator keeps and
// the reply screen inserts. They live beside the reply because that is where
// they are filled and used; the administrator's screen only edits them.
namespace replytemplates {

// masreply.freplyname holds this many characters; a longer name is refused.
constexpr int kMaxNameLength = 60;
// masreply.freplytext is a TEXT column: this many bytes of UTF-8.
constexpr int kMaxTextBytes = 65535;

struct Template
{
    QString id; // freplyid; "" for one not stored yet
    QString name;
    QString text;
    QString univCode; // "" (NULL): offered for every university
};

// Every template, by name.
QVector<Template> all();

// The templates offered for a grievance of university `univCode`: those for
// every university and that university's own, by name.
QVector<Template> forUniversity(const QString &univCode);

// One university of the drop-down: the first row of each code in name order,
// as the university look-up takes it.
struct University
{
    QString code;
    QString name;
};
QVector<University> universities();

// The values of a grievance that placeholders stand for.
struct Values
{
    QString student;    // {student}: the sender's name
    QString number;     // {number}: the grievance number
    QString university; // {university}: the university's name
};

// The placeholders, as the screens tell them: "{student}, {number}, {university}".
QString placeholderList();

// The text with each placeholder (in any case) replaced by its value in one
// pass, so a value that itself looks like a placeholder stays as it is; an
// empty value leaves nothing behind.
QString fill(const QString &text, const Values &values);

// Words in braces that are no placeholder ("{studnet}"), in order of appearance.
QStringList unknownPlaceholders(const QString &text);

enum class Field { None, Name, Text };

struct SaveOutcome
{
    bool saved = false;
    QString id;                // the stored template's id when saved
    QString refusal;           // why it was not saved, naming the value
    Field field = Field::None; // the field the refusal is about
};

// Adds the template (no id) or changes the stored one, as one transaction.
// The name is trimmed; an empty name or text, a name longer than
// kMaxNameLength characters, a text over kMaxTextBytes, an unknown
// placeholder or a name another template has (by the column's collation) are
// refused, nothing written. Throws AppError.
SaveOutcome save(const Template &t);

// Deletes the template `id`; false when it was gone already. Throws AppError.
bool remove(const QString &id);

} // namespace replytemplates
