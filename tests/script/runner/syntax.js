var ok = 1;
var broken = ;
