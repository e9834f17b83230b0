; The agenda and its calculator. Its content comes with its section; for now, a line says what it will hold.
(form ("Class" "AGForm")
      ("Name" "AGForm")
      ("Background Image" "fundo_agenda.bmp")
      ("Narrator" "narr_agenda")
      ("TabStopList" (list @BARRA_TABS@))
      ("Control List"
       (list @BARRA_MENU@
             (control ("Class" "StaticText") ("Name" "Texto1") ("Text Region" (rect 24 104 592 18))
                      ("Text" "Aqui ficar\xe3o a agenda de datas e a calculadora.") ("Font" (font "Times New Roman" 10)) ("Foreground Color" (rgb 25 25 25))))))
