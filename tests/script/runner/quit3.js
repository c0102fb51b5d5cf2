rtl.Quit(3);
