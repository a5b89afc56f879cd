/* Resource ids shared by the resource script and the code (the script's preprocessor reads only
   plain definitions). */
#pragma once

#define IDI_FENDREL 107        /* the program icon: 16, 32, 48, 64 and 256 pixels */
#define IDI_FENDREL_SMALL 108  /* the small icon: 16 pixels */
