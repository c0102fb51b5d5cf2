
rtl.LoadFile("/");
