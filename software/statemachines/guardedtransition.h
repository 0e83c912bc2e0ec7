#pragma once

#include <QSignalTransition>

#include <functional>

// A signal transition that is taken only when its guard holds at the time the signal arrives.
class GuardedTransition : public QSignalTransition
{
public:
    using Guard = std::function<bool()>;

    template <typename Func>
    GuardedTransition(typename QtPrivate::FunctionPointer<Func>::Object const* sender, Func signal,
                      Guard guard, QState* source)
        : QSignalTransition(sender, signal, source), guard(std::move(guard))
    {
    }
    ~GuardedTransition() override;

    Guard guard;

protected:
    // The guard is called only for the transition's own signal.
    bool eventTest(QEvent* event) override;
};
