/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_PROFILERULES_P_H
#define ORLA_PROFILERULES_P_H

#include "orlacommon_export.h"
#include "profile/includerule.h"
#include "profile/objectrule.h"
#include "profile/profiledata.h"

#include <QRegularExpressionMatch>
#include <QSet>
#include <QString>
#include <QStringView>

#include <optional>

// The captures of an object line, as views into the line read.
struct ObjectLineCaptures {
    QStringView type;
    QStringView modes;
    QStringView target;
    QStringView file;
    QStringView deleted;
};

// Reads an object line by hand, in one pass over its name ("+file", the mode
// and target fields, ":", a name and perhaps the deleted marker; fields of an
// unusual shape are read by the expression's part up to the colon) and gives
// exactly what the object line expression would capture, had it not given up
// on long blank runs. A name with characters other than blanks and printable
// ones gives nothing and is left to the expression, which stays the
// definition of an object line.
ORLACOMMON_EXPORT std::optional<ObjectLineCaptures> quickObjectLine(QStringView line);

// The object line expression's own reading of a line: nothing when it does
// not match; failed is set when the engine gave up on the line.
ORLACOMMON_EXPORT std::optional<ObjectLineCaptures> expressionObjectLine(const QString &line, bool *failed);

// Reads a text as ProfileParser::parseText does, but with every object line
// read by the expression: what the hand reading is held to.
ORLACOMMON_EXPORT ProfileData parseTextByExpression(const QString &text);

// Line matchers of ProfileParser: one object per kind of line, made afresh
// for each line that reaches that test. They only hold the last match; the
// expressions themselves are compiled once and shared.

class ProfileRule
{
public:
    virtual ~ProfileRule();

    // Tries this kind's expression on the line and keeps the match.
    virtual bool match(const QString &line) = 0;

    // The expression gave up on the line (a matching limit of the engine),
    // which is neither a match nor a proof that the line is of another kind.
    bool failed() const;

protected:
    // Empty until match() ran: a default match object costs allocations of
    // its own, and a matcher is made for every line.
    std::optional<QRegularExpressionMatch> m_match;
};

class ObjectRuleMath : public ProfileRule
{
public:
    ObjectRuleMath();
    // byExpressionOnly: no line is read by hand.
    explicit ObjectRuleMath(bool byExpressionOnly);
    ~ObjectRuleMath() override;

    bool match(const QString &line) override;
    virtual ObjectRule rule() const;
    virtual QSet<ObjectRule::Mode> parseModes(QStringView text) const;
    virtual QString parseFilename(QStringView text) const;

    QSet<ObjectRule::Target> parseTargets(QStringView text) const;

private:
    bool m_byExpressionOnly = false;
    // The line read by hand, held so that the captures' views stay valid.
    QString m_line;
    std::optional<ObjectLineCaptures> m_quick;
};

class IncludeRuleMath : public ProfileRule
{
public:
    ~IncludeRuleMath() override;

    bool match(const QString &line) override;
    virtual IncludeRule rule() const;
};

class ObjectRuleOldMath : public ObjectRuleMath
{
public:
    ~ObjectRuleOldMath() override;

    bool match(const QString &line) override;
    ObjectRule rule() const override;
    QSet<ObjectRule::Mode> parseModes(QStringView text) const override;
    QString parseFilename(QStringView text) const override;
};

class IncludeRuleOldMath : public IncludeRuleMath
{
public:
    ~IncludeRuleOldMath() override;

    bool match(const QString &line) override;
    IncludeRule rule() const override;
};

#endif
