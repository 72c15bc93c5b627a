#include <stdio.h>
/* comment
   more */ int main(void) {
    char c = '\n'; long n = 0x1F + 0X2a + 3.25;
    printf("%d\n", n >= 2 && c != 0); // done
    return sizeof n;
}
