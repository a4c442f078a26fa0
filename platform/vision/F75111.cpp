#include "F75111.h"

unsigned char F75111_GetDigitalInput()
{
    return 0;
}

void F75111_SetDigitalOutput(unsigned char value)
{
    (void)value;
}
