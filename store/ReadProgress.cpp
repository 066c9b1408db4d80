#include "store/ReadProgress.h"

#include <algorithm>
#include <utility>

namespace store {

namespace {
thread_local ReadProgressScope* t_scope = nullptr;
}

ReadProgressScope::ReadProgressScope(ReadProgressFn report)
    : m_report(std::move(report)), m_outer(t_scope) {
    t_scope = this;
}

ReadProgressScope::~ReadProgressScope() {
    t_scope = m_outer;
}

void reportSheetRead(uint64_t done, uint64_t total) {
    ReadProgressScope* scope = t_scope;
    if (scope == nullptr || !scope->m_report || total == 0)
        return;
    const int percent = int(std::min<uint64_t>(100, done * 100 / total));
    if (percent == scope->m_last)
        return;
    scope->m_last = percent;
    scope->m_report(percent);
}

}  // namespace store
