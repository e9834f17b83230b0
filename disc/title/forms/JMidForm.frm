; A media item's screen. Its content comes with its section; for now, a line says what it will hold.
(form ("Class" "JMidiaForm")
      ("Name" "JMidiaForm")
      ("Background Image" "fundo_midias.bmp")
      ("TabStopList" (list @BARRA_TABS@))
      ("Control List"
       (list @BARRA_MENU@
             (control ("Class" "StaticText") ("Name" "Texto1") ("Text Region" (rect 24 104 592 18))
                      ("Text" "Aqui ficar\xe1 cada m\xeddia: foto, som, filme ou anima\xe7\xe3o,") ("Font" (font "Times New Roman" 10)) ("Foreground Color" (rgb 25 25 25)))
             (control ("Class" "StaticText") ("Name" "Texto2") ("Text Region" (rect 24 124 592 18))
                      ("Text" "com a sua legenda.") ("Font" (font "Times New Roman" 10)) ("Foreground Color" (rgb 25 25 25))))))
