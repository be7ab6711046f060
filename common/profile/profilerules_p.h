#ifndef ORLA_PROFILERULES_P_H
#define ORLA_PROFILERULES_P_H

#include "profile/includerule.h"
#include "profile/objectrule.h"

#include <QRegularExpressionMatch>
#include <QSet>
#include <QString>
#include <QStringView>

#include <optional>

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
    ~ObjectRuleMath() override;

    bool match(const QString &line) override;
    virtual ObjectRule rule() const;
    virtual QSet<ObjectRule::Mode> parseModes(QStringView text) const;
    virtual QString parseFilename(QStringView text) const;

    QSet<ObjectRule::Target> parseTargets(QStringView text) const;
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
