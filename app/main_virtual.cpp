// The console on the virtual module, attached as if it had been plugged in before the start.
#include "app/console.h"
#include "sim/hid_backend.h"

int main()
{
    zel::sim::attachModule();
    return zel::console::run();
}
