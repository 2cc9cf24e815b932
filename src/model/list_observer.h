#pragma once
#include <cstddef>

namespace kelvaro {

// Told about every change of a list held in memory, so that a list box on
// screen can follow it. Indexes are those after the change.
class IListObserver {
public:
    static constexpr size_t kAll = static_cast<size_t>(-1);

    virtual ~IListObserver() = default;
    virtual void OnInserted(size_t index) = 0;
    virtual void OnRemoved(size_t index) = 0;
    virtual void OnReplaced(size_t index) = 0;
    virtual void OnReset() = 0;                         // anything may have changed
    virtual void OnSelectionChanged(size_t index) = 0;  // kAll: every entry
    virtual void OnTopIndexChanged(size_t index) = 0;
};

// The list side: one observer at a time, or none.
class ObservableList {
public:
    void SetObserver(IListObserver* observer) { observer_ = observer; }

protected:
    template <typename Call>
    void Notify(Call call) const {
        if (observer_) call(*observer_);
    }

private:
    IListObserver* observer_ = nullptr;
};

}  // namespace kelvaro
