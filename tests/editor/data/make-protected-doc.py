import uno, time, subprocess
from com.sun.star.beans import PropertyValue
def pv(n,v):
    p=PropertyValue(); p.Name=n; p.Value=v; return p
proc=subprocess.Popen(['soffice','-env:UserInstallation=file:///tmp/edfx/profile2','--headless','--norestore','--accept=socket,host=localhost,port=2077;urp;'])
ctx=None
local=uno.getComponentContext()
resolver=local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver",local)
for i in range(60):
    try:
        ctx=resolver.resolve("uno:socket,host=localhost,port=2077;urp;StarOffice.ComponentContext"); break
    except Exception: time.sleep(0.5)
desktop=ctx.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop",ctx)
doc=desktop.loadComponentFromURL("file:///tmp/edfx/doc/plain.doc","_blank",0,(pv("Hidden",True),))
doc.storeToURL("file:///tmp/edfx/protected.doc",(pv("FilterName","MS Word 97"),pv("Password","secret")))
doc.close(True)
try: desktop.terminate()
except Exception: pass
proc.wait(timeout=30)
