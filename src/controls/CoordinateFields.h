#pragma once
// The fields of a multi-field entry: numbers that are typed digit by digit and
// stepped with wrap-around, and a choice from a list of strings that is typed
// by its first letters. No widget: the coordinate control shows their texts.

#include <QByteArray>
#include <QString>
#include <QStringList>

class CGCFieldBase {
public:
    virtual ~CGCFieldBase() = default;
    // Takes one typed character; false when the field refuses it.
    virtual bool TypeChar(QChar c) = 0;
    virtual void Reset() = 0;
    virtual void Increment() = 0;
    virtual void Decrement() = 0;
    [[nodiscard]] virtual QString Text() const = 0;
    // Forgets what was typed, so the next character starts a new entry.
    void ClearTyped() { typed_.clear(); }

protected:
    QString typed_;
};

class CGCNumBase : public CGCFieldBase {
public:
    [[nodiscard]] bool GreaterThan(double v) const { return GetValue() > v; }
    [[nodiscard]] bool LessThan(double v) const { return GetValue() < v; }
    [[nodiscard]] bool GreaterOrEqual(double v) const { return GetValue() >= v; }
    [[nodiscard]] bool LessOrEqual(double v) const { return GetValue() <= v; }
    [[nodiscard]] bool Equal(double v) const { return GetValue() == v; }
    [[nodiscard]] virtual double GetValue() const = 0;
    // False, and the value kept, outside the field's range.
    virtual bool SetNumber(double v) = 0;
    // printf format of the value ("%02d", "%6.3f").
    void SetFormat(QByteArray format) { format_ = std::move(format); }

protected:
    QByteArray format_;
    bool negative_ = false;
};

class CGCIntegerField : public CGCNumBase {
public:
    CGCIntegerField(int minimum, int maximum, QByteArray format = "%d");

    bool TypeChar(QChar c) override;
    void Reset() override;
    void Increment() override;
    void Decrement() override;
    [[nodiscard]] QString Text() const override;
    [[nodiscard]] double GetValue() const override { return value_; }
    bool SetNumber(double v) override;

    [[nodiscard]] int Value() const { return value_; }
    bool SetValue(int v);

private:
    int value_;
    int minimum_;
    int maximum_;
    int step_ = 1;
};

class CGCDoubleField : public CGCNumBase {
public:
    CGCDoubleField(double minimum, double maximum, int decimals, double step, QByteArray format = "%.3f");

    bool TypeChar(QChar c) override;
    void Reset() override;
    void Increment() override;
    void Decrement() override;
    [[nodiscard]] QString Text() const override;
    [[nodiscard]] double GetValue() const override { return value_; }
    bool SetNumber(double v) override;

private:
    [[nodiscard]] double Round(double v) const;

    double value_;
    double minimum_;
    double maximum_;
    int decimals_;
    double step_;
};

class CGCTextBase : public CGCFieldBase {
public:
    [[nodiscard]] bool GreaterThan(const QString& s) const { return Text() > s; }
    [[nodiscard]] bool LessThan(const QString& s) const { return Text() < s; }
    [[nodiscard]] bool Equal(const QString& s) const { return Text() == s; }
};

class CGCStringListField : public CGCTextBase {
public:
    explicit CGCStringListField(QStringList strings);

    bool TypeChar(QChar c) override;
    void Reset() override { index_ = 0; }
    // Steps through the list, wrapping at either end.
    void Increment() override;
    void Decrement() override;
    [[nodiscard]] QString Text() const override;

    [[nodiscard]] int Index() const { return index_; }
    void SetIndex(int index);
    // New strings keep the current index.
    void SetStrings(QStringList strings);

private:
    [[nodiscard]] bool Match(const QString& prefix);

    QStringList strings_;
    int index_ = 0;
};
