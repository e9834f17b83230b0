; A retrospective article. Its content comes with its section; for now, a line says what it will hold.
(form ("Class" "RetroForm")
      ("Name" "RetroForm")
      ("Background Image" "fundo_retro.bmp")
      ("TabStopList" (list @BARRA_TABS@))
      ("Control List"
       (list @BARRA_MENU@
             (control ("Class" "StaticText") ("Name" "Texto1") ("Text Region" (rect 24 104 592 18))
                      ("Text" "Aqui ficar\xe3o as not\xedcias de cada assunto da") ("Font" (font "Times New Roman" 10)) ("Foreground Color" (rgb 25 25 25)))
             (control ("Class" "StaticText") ("Name" "Texto2") ("Text Region" (rect 24 124 592 18))
                      ("Text" "retrospectiva.") ("Font" (font "Times New Roman" 10)) ("Foreground Color" (rgb 25 25 25))))))
