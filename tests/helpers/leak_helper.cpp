// Loses one heap block on purpose and ends normally, so that the test lsan_reports_leaks can
// check that LeakSanitizer, run with the options of every test, still reports a leak.

#include <cstdlib>

namespace {

// Volatile, so that the compiler keeps the allocation.
void* volatile last_block = nullptr;

// Not inlined, so that the report's stack names it.
[[gnu::noinline]] void lose_block_on_purpose()
{
    last_block = std::malloc(4242);
    last_block = nullptr;
}

} // namespace

int main()
{
    lose_block_on_purpose();
    return 0;
}
