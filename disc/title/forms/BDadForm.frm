; A data-bank table. Its content comes with its section; for now, a line says what it will hold.
(form ("Class" "BDadosForm")
      ("Name" "BDadosForm")
      ("Background Image" "fundo_bdados.bmp")
      ("TabStopList" (list @BARRA_TABS@))
      ("Control List"
       (list @BARRA_MENU@
             (control ("Class" "StaticText") ("Name" "Texto1") ("Text Region" (rect 24 104 592 18))
                      ("Text" "Aqui ficar\xe1 cada tabela do banco de dados.") ("Font" (font "Times New Roman" 10)) ("Foreground Color" (rgb 25 25 25))))))
