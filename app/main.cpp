#include "app/console.h"

int main()
{
    return zel::console::run();
}
