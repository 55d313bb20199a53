; A second PIC18F2580 program for the firmware-file tests: a jump table that
; runs across a 256-byte page, a whole EEPROM of data, and other
; configuration settings.
        #include <p18f2580.inc>
        errorlevel -302         ; SFR access through the access bank is meant

        config  OSC = IRCIO67, WDT = ON, WDTPS = 128, BOREN = OFF, XINST = OFF

        org     0x0000
        goto    main

        org     0x0300
main:
        movlw   0x07
        call    lookup
        bra     main

        org     0x03F8          ; the table runs on into the next page
lookup:
        addwf   PCL, F, A
        retlw   0x10
        retlw   0x21
        retlw   0x32
        retlw   0x43
        retlw   0x54
        retlw   0x65
        retlw   0x76
        retlw   0x87

        org     0xF00000        ; every EEPROM byte: 0x00, 0x01, ... 0xFF
        variable i = 0
        while i < 0x100
        de      i
i += 1
        endw
        end
