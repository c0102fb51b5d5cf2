// The script ends while threads run: one polls Stopped, one spins without ever looking. Both end
// when the program does.
rtl.Thread(this, function () { while (!this.Stopped) rtl.Sleep(5); }).Start();
rtl.Thread(this, function () { for (;;) {} }).Start();
rtl.Sleep(50);
console.log("script ends");
