#pragma once
// GPIO back end of the F75111 chip. The IO link never selects it; these keep
// the interface and do nothing.
unsigned char F75111_GetDigitalInput();
void F75111_SetDigitalOutput(unsigned char value);
