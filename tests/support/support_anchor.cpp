// Keeps the test support library non-empty before any shared fixture exists.
namespace tesseltest {
int support_anchor = 0;
}
